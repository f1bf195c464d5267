#pragma once

// jpeglib.h needs FILE declared first.
#include <stdio.h>

#include <jpeglib.h>
#include <csetjmp>

// libjpeg reports errors through error_exit, which must not return. jumpBack keeps
// the error's text and jumps back to the setjmp of the caller, whose frame must hold
// no C++ objects, so that no destructor is skipped.
struct JpegErrorManager {
  jpeg_error_mgr manager;  // first, so libjpeg's pointer to it is a pointer to us
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

[[noreturn]] inline void jumpBack(j_common_ptr info) {
  auto* errors = reinterpret_cast<JpegErrorManager*>(info->err);
  (*info->err->format_message)(info, errors->message);
  std::longjmp(errors->jump, 1);
}

// A decoder's state, freed on every path. Errors jump back (see jumpBack); `warning`
// receives libjpeg's warnings about corrupt data the decoder papers over.
struct JpegDecompressor {
  jpeg_decompress_struct info{};
  JpegErrorManager errors{};

  explicit JpegDecompressor(void (*warning)(j_common_ptr, int)) {
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = jumpBack;
    errors.manager.emit_message = warning;
  }
  ~JpegDecompressor() { jpeg_destroy_decompress(&info); }
  JpegDecompressor(const JpegDecompressor&) = delete;
  JpegDecompressor& operator=(const JpegDecompressor&) = delete;
};
