// File names, files and directories, temporary files and the command line.
#pragma once

#include "platform/runtime/RtlTypes.h"
#include "platform/runtime/WinTypes.h"

constexpr char PathDelim = '/';

// The directory part of a file name, up to and including the last '/' ("" when none).
String ExtractFilePath(const String& fileName);
// The directory part without its trailing '/', except for the root itself ("/a" gives "/").
String ExtractFileDir(const String& fileName);
// The part after the last '/'.
String ExtractFileName(const String& fileName);
// The extension with its dot ("a/b.txt" gives ".txt"); "" when the name part has no dot.
String ExtractFileExt(const String& fileName);
// Replaces the extension of the name part, or appends one when there is none.
String ChangeFileExt(const String& fileName, const String& extension);
String IncludeTrailingPathDelimiter(const String& path);
String ExcludeTrailingPathDelimiter(const String& path);

// True for an existing file that is not a directory (symbolic links are followed).
bool FileExists(const String& fileName);
bool DirectoryExists(const String& directory);
bool DeleteFile(const String& fileName);
// Renames or moves a file; fails, like a move, when the new name already exists.
bool RenameFile(const String& oldName, const String& newName);

// The temporary directory ($TMPDIR, else /tmp) with a trailing '/'. Returns the length copied
// without the terminating zero, or, when the buffer is too small, the size it needs including
// the zero (and copies nothing); 0 on failure.
DWORD GetTempPathA(DWORD bufferSize, char* buffer);
// Forms path + '/' + the first three characters of prefix + a hexadecimal number + ".TMP" in
// buffer, which must hold 260 characters. With unique = 0 a number is chosen so that the name
// is new and the empty file is created; otherwise the name is formed from unique's low 16 bits
// and nothing is created. Returns the number used, or 0 on failure.
UINT GetTempFileNameA(const char* pathName, const char* prefix, UINT unique, char* buffer);

// The command line as the program's main received it.
void SetCommandLine(int argc, const char* const* argv);
// ParamStr(0) is the full path of the running program; 1..ParamCount() the arguments; any
// other index gives "".
String ParamStr(Integer index);
Integer ParamCount();
// The program's directory with its trailing '/'.
String GetProgramDir();

// Replaces the file `fileName` with `bytes` so that it is either wholly the old file or wholly
// the new one: the bytes go to a new file in the same directory, which is synced and renamed
// over the old one. An existing file keeps its permissions (and, where allowed, its owner); a
// symbolic link keeps pointing where it did, and the file it points to is replaced. A failure
// removes the new file, leaves the old one untouched and raises EFCreateError
// "Cannot create file "<name>". <reason>".
void WriteFileSafely(const String& fileName, const String& bytes);
