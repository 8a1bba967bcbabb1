#include "installer/zip/unzip_codes.h"

namespace installer {

const char* UnzipResultMeaning(int result) {
  switch (result) {
#define KESTREL_UNZIP_RESULT_CASE(name, value, meaning) \
  case value:                                           \
    return meaning;
    KESTREL_UNZIP_RESULTS(KESTREL_UNZIP_RESULT_CASE)
#undef KESTREL_UNZIP_RESULT_CASE
  }
  return "unknown result";
}

const char* UnzipStatusFormat(UnzipStatusText text) {
  static const char* const kFormats[] = {
#define KESTREL_UNZIP_STATUS_FORMAT(name, format) format,
      KESTREL_UNZIP_STATUS_TEXTS(KESTREL_UNZIP_STATUS_FORMAT)
#undef KESTREL_UNZIP_STATUS_FORMAT
  };
  return kFormats[text];
}

}  // namespace installer
