#include "tests/support/TestSupport.h"

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace fs = std::filesystem;

namespace testsupport {

namespace {
std::string EnvOr(const char* name, const std::string& fallback) {
    const char* value = std::getenv(name);
    return value && *value ? std::string(value) : fallback;
}
}  // namespace

TempDir::TempDir() {
    std::string root = EnvOr("KOV_TEST_ROOT", KOV_TEST_ROOT_DIR);
    fs::create_directories(root);
    std::string pattern = root + "/t-XXXXXX";
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temporary directory in " + root);
    FPath = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    // Give back write permission first, so directories a test made read-only go too.
    for (auto it = fs::recursive_directory_iterator(FPath, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec))
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::permissions(FPath, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(FPath, ec);
}

ScopedEnv::ScopedEnv(const char* name, const char* value) : FName(name) {
    if (const char* old = std::getenv(name)) {
        FHadOld = true;
        FOld = old;
    }
    if (value)
        setenv(name, value, 1);
    else
        unsetenv(name);
}

ScopedEnv::~ScopedEnv() {
    if (FHadOld)
        setenv(FName.c_str(), FOld.c_str(), 1);
    else
        unsetenv(FName.c_str());
}

ScopedFormatSettings::ScopedFormatSettings(const TFormatSettings& settings) : FOld(FormatSettings) {
    FormatSettings = settings;
}

ScopedFormatSettings::~ScopedFormatSettings() { FormatSettings = FOld; }

TFormatSettings DotSettings() { return DefaultFormatSettings(); }

TFormatSettings CommaSettings() {
    TFormatSettings fs = DefaultFormatSettings();
    fs.DecimalSeparator = ',';
    fs.ThousandSeparator = '.';
    fs.ListSeparator = ';';
    fs.DateSeparator = '.';
    fs.ShortDateFormat = "dd.MM.yyyy";
    fs.ShortTimeFormat = "hh:mm";
    fs.LongTimeFormat = "hh:mm:ss";
    fs.CurrencyString = "\xE2\x82\xAC";  // euro sign
    fs.CurrencyFormat = 3;
    fs.NegCurrFormat = 8;
    return fs;
}

std::string ArtifactPath(const std::string& name) {
    std::string dir = EnvOr("KOV_ARTIFACTS", KOV_ARTIFACTS_DIR);
    fs::create_directories(dir);
    return dir + "/" + name;
}

std::string FixturePath(const std::string& name) {
    return EnvOr("KOV_FIXTURES", KOV_FIXTURES_DIR) + "/" + name;
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) throw std::runtime_error("cannot write " + path);
    out.write(bytes.data(), std::streamsize(bytes.size()));
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool Eventually(const std::function<bool()>& condition) {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > limit) return false;
        std::this_thread::yield();
    }
    return true;
}

}  // namespace testsupport
