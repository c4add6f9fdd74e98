// Stands in for the web browser in the test prefix: each address it is asked to open is appended,
// one line each in UTF-8, to the file named by CMPATCH_URL_LOG (or opened-pages.txt in the
// temporary folder), so that tests can count the pages a program opens.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  int count = 0;
  LPWSTR* arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  const std::wstring address = arguments != nullptr && count > 1 ? arguments[1] : L"";
  ::LocalFree(arguments);

  wchar_t path[MAX_PATH * 2];
  if (::GetEnvironmentVariableW(L"CMPATCH_URL_LOG", path, MAX_PATH * 2) == 0) {
    ::GetTempPathW(MAX_PATH, path);
    wcscat(path, L"opened-pages.txt");
  }
  const int length = ::WideCharToMultiByte(CP_UTF8, 0, address.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string line(static_cast<std::size_t>(length), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, address.c_str(), -1, line.data(), length, nullptr, nullptr);
  line.back() = '\n';
  if (FILE* log = ::_wfopen(path, L"ab")) {
    std::fwrite(line.data(), 1, line.size(), log);
    std::fclose(log);
  }
  return 0;
}
