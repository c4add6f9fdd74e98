#include "install/InstallRun.h"

#include <share.h>

#include <cstdio>
#include <string>

#include "install/Extraction.h"
#include "install/FileExists.h"
#include "install/PostInstall.h"
#include "install/TextConversion.h"
#include "install/Texts.h"

namespace {

// A fresh, empty QMXhhhh.TMP in the temporary folder; empty when none can be made.
std::wstring CreateTemporaryFile() {
  wchar_t folder[MAX_PATH] = {};
  wchar_t path[MAX_PATH] = {};
  if (::GetTempPathW(MAX_PATH, folder) == 0 || ::GetTempFileNameW(folder, L"QMX", 0, path) == 0) return {};
  return path;
}

// The archive goes to disk in one write and is hidden there; write errors show when it is opened.
void WriteArchive(const std::wstring& path, const void* payload, DWORD size) {
  if (FILE* file = ::_wfsopen(path.c_str(), L"w+b", _SH_DENYNO)) {
    std::fwrite(payload, 1, size, file);
    std::fclose(file);
  }
  ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_HIDDEN);
}

std::wstring Formatted(const wchar_t* format, const wchar_t* mode) {
  wchar_t text[64];
  ::swprintf(text, 64, format, mode);
  return text;
}

}  // namespace

int RunInstall(HWND dialog, InstallView& view) {
  const std::wstring archive = CreateTemporaryFile();
  const std::wstring link = DesktopLinkPath();

  const wchar_t* mode = texts::kInstallMode;
  int payloadId = IDR_PAYLOAD_INSTALL;
  if (FileExists(texts::kMarkerFile)) {
    ::DeleteFileW(texts::kMarkerFile);
    mode = texts::kUninstallMode;
    payloadId = IDR_PAYLOAD_UNINSTALL;
    if (!link.empty()) ::DeleteFileW(link.c_str());
  }
  DWORD size = 0;
  const void* payload = LoadPayload(nullptr, payloadId, L"dat", size);
  if (payload == nullptr) {
    // Nothing to extract: the run ends as a failed extraction, leaving no empty file behind.
    if (!archive.empty()) ::DeleteFileW(archive.c_str());
    view.SetStatus(texts::kStatusFailed);
    return 1;
  }

  view.SetStatus(texts::kStatusPreparing);
  WriteArchive(archive, payload, size);
  if (ExtractArchive(ToNarrow(archive), view) != 0) return 1;
  ::DeleteFileW(archive.c_str());

  view.SetStatus(Formatted(L"即将完成%ls...", mode));
  RunAndWait(texts::kBatchFile, nullptr, SW_SHOWNORMAL);
  ::DeleteFileW(texts::kBatchFile);
  view.SetStatus(Formatted(L"%ls完成!", mode));

  if (std::wstring(mode) == texts::kInstallMode) OfferShortcut(dialog, link);
  const std::wstring message = std::wstring(texts::kWindowTitle) + mode + texts::kFinalText;
  ::MessageBoxW(dialog, message.c_str(), texts::kPublisherName, MB_OK);
  return 0;
}
