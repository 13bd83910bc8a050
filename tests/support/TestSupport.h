// Helpers every test suite shares: private temporary directories, artifact and fixture
// paths, and scoped changes of the process environment and the runtime's settings.
#pragma once

#include <functional>
#include <string>

#include "platform/runtime/FormatSettings.h"

namespace testsupport {

// A fresh directory of its own for one test, removed with everything in it at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return FPath; }
    // Path of a name inside the directory.
    std::string File(const std::string& name) const { return FPath + "/" + name; }

private:
    std::string FPath;
};

// Sets (or with nullptr unsets) an environment variable until the end of the scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value);
    ~ScopedEnv();

private:
    std::string FName;
    std::string FOld;
    bool FHadOld = false;
};

// Replaces the runtime's FormatSettings until the end of the scope.
class ScopedFormatSettings {
public:
    explicit ScopedFormatSettings(const TFormatSettings& settings);
    ~ScopedFormatSettings();

private:
    TFormatSettings FOld;
};

// English settings with "." as decimal and "," as thousands separator.
TFormatSettings DotSettings();
// The same with "," as decimal and "." as thousands separator.
TFormatSettings CommaSettings();

// Where a test writes images and other files for a person to look at
// (build/test-artifacts); the name should be unique to the test.
std::string ArtifactPath(const std::string& name);
// A file of tests/fixtures.
std::string FixturePath(const std::string& name);

// Writes bytes to a file, creating or replacing it; reads a whole file.
void WriteFileBytes(const std::string& path, const std::string& bytes);
std::string ReadFileBytes(const std::string& path);

// Appends a 16-bit or 32-bit value to bytes, least significant byte first.
inline void Put16(std::string& bytes, unsigned value) {
    bytes.push_back(char(value & 0xFF));
    bytes.push_back(char((value >> 8) & 0xFF));
}
inline void Put32(std::string& bytes, unsigned value) {
    Put16(bytes, value & 0xFFFF);
    Put16(bytes, value >> 16);
}

// Waits in real time, ten seconds at the most, for a condition another thread makes true;
// whether it became true.
bool Eventually(const std::function<bool()>& condition);

}  // namespace testsupport
