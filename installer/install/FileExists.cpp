#include "install/FileExists.h"

#include <share.h>

#include <cstdio>

bool FileExists(const wchar_t* path) {
  FILE* file = ::_wfsopen(path, L"rb", _SH_DENYNO);
  if (file == nullptr) return false;
  std::fclose(file);
  return true;
}
