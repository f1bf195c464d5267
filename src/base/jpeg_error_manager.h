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
