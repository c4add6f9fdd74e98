#pragma once

#include <string>

// What the install run shows of itself: the status line and the bar, and its message boxes. The
// dialog is the real one; tests watch the run through their own.
class InstallView {
 public:
  // Replaces the status text and repaints the bar at once.
  virtual void SetStatus(const std::wstring& text) = 0;
  // Replaces the status text only; the bar's next repaint shows it.
  virtual void SetStatusText(const std::wstring& text) = 0;
  virtual void SetRange(int high) = 0;
  virtual void SetPos(int position) = 0;
  virtual int GetPos() = 0;
  virtual void ShowError(const wchar_t* text, const wchar_t* caption) = 0;

 protected:
  ~InstallView() = default;
};
