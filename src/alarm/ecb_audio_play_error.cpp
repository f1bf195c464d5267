#include "ecb_audio_play_error.h"

namespace {

struct Description {
  quint32 code;
  const char* text;
};

// Fixed descriptions for the result codes the player raises; any other code shows
// the media framework's own text.
constexpr Description kDescriptions[] = {
    {0x00040001, "The asynchronous update is pending."},
    {0x00040002, "Sample was not updated after forced completion."},
    {0x00040003, "Reached the end of the stream; the sample wasn't updated."},
    {0x80004002, "No interface."},
    {0x80004003, "This method tried to access an invalid pointer."},
    {0x80004004, "The update aborted."},
    {0x80040110, "This class cannot be created as part of an aggregate."},
    {0x80040154, "A specified class is not registered in the registration database."},
    {0x80040401,
     "An IMediaStream object could not be removed from an IMultiMediaStream object because it still contains "
     "at least one allocated sample."},
    {0x80040402, "The specified purpose ID can't be used for the call."},
    {0x80040403, "No stream can be found with the specified attributes."},
    {0x80040404, "One or more media streams don't support seeking."},
    {0x80040405, "The stream formats are not compatible."},
    {0x80040406, "This sample already has a pending update."},
    {0x80040407,
     "The object can't accept the call because its initialize function or equivalent has not been called."},
    {0x80040408, "Source already defined."},
    {0x80040409, "The stream type is not valid for this operation."},
    {0x8004040A, "The IMultiMediaStream object is not in running state."},
    {0x80070057, "One of the parameters is invalid."},
};

}  // namespace

EcbAudioPlayError EcbAudioPlayError::fromResult(quint32 result, const QString& frameworkText) {
  QString description = frameworkText.isEmpty() ? QStringLiteral("Unrecognized error value.") : frameworkText;
  for (const Description& known : kDescriptions) {
    if (known.code == result)
      description = QString::fromLatin1(known.text);
  }
  return EcbAudioPlayError(QStringLiteral("DirectShow call failed: ") +
                               QString::number(result, 16).toUpper() + u'\r' + description,
                           result);
}
