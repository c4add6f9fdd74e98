#pragma once

// Whether the file opens for reading as a shared binary stream (closed again at once).
bool FileExists(const wchar_t* path);
