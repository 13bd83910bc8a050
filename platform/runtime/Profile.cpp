#include "platform/runtime/Profile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "platform/runtime/CodePages.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Files.h"
#include "platform/runtime/Strings.h"

namespace {

constexpr DWORD kValueBufferSize = 2048;
const char kUtf8Bom[] = "\xEF\xBB\xBF";

String TrimBlanks(const String& text) {
    size_t first = text.find_first_not_of(" \t");
    if (first == String::npos)
        return String();
    size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// Names match without regard to case, Unicode letters included.
bool SameName(const String& a, const String& b) {
    return AnsiSameText(a, b);
}

enum class LineKind { Other, Comment, Section, Key };

struct ParsedLine {
    LineKind kind = LineKind::Other;
    String name;   // the section name or the key, trimmed
    String value;  // the key's value, trimmed and unquoted
};

ParsedLine ParseLine(const String& line) {
    ParsedLine parsed;
    String text = TrimBlanks(line);
    if (text.empty())
        return parsed;
    if (text[0] == ';') {
        parsed.kind = LineKind::Comment;
    } else if (text[0] == '[') {
        parsed.kind = LineKind::Section;
        size_t close = text.find(']');
        parsed.name = TrimBlanks(text.substr(1, close == String::npos ? String::npos : close - 1));
    } else {
        size_t equals = text.find('=');
        if (equals == String::npos)
            return parsed;
        parsed.name = TrimBlanks(text.substr(0, equals));
        if (parsed.name.empty())
            return parsed;
        parsed.kind = LineKind::Key;
        parsed.value = TrimBlanks(text.substr(equals + 1));
        if (parsed.value.size() >= 2 && (parsed.value[0] == '"' || parsed.value[0] == '\'') &&
            parsed.value.back() == parsed.value[0])
            parsed.value = parsed.value.substr(1, parsed.value.size() - 2);
    }
    return parsed;
}

// Reads a whole file; returns 0 or the errno of the failure.
int ReadWholeFile(const String& fileName, String& contents) {
    contents.clear();
    int fd = open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    char chunk[65536];
    for (;;) {
        ssize_t count = read(fd, chunk, sizeof chunk);
        if (count == 0)
            break;
        if (count < 0) {
            if (errno == EINTR)
                continue;
            int error = errno;
            close(fd);
            return error;
        }
        contents.append(chunk, static_cast<size_t>(count));
    }
    close(fd);
    return 0;
}

// The lines of a text without their line ends. A last line that has no line end counts.
std::vector<String> SplitLines(const String& text) {
    std::vector<String> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == String::npos)
            end = text.size();
        String line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

// Index of the first section of that name, or npos.
size_t FindSection(const std::vector<String>& lines, const String& section, size_t from = 0) {
    for (size_t i = from; i < lines.size(); ++i) {
        ParsedLine parsed = ParseLine(lines[i]);
        if (parsed.kind == LineKind::Section && SameName(parsed.name, section))
            return i;
    }
    return String::npos;
}

// The line after the last line that belongs to the section starting at header.
size_t SectionEnd(const std::vector<String>& lines, size_t header) {
    size_t i = header + 1;
    while (i < lines.size() && ParseLine(lines[i]).kind != LineKind::Section)
        ++i;
    return i;
}

// A file's sections in file order, each with its keys in order, and the bytes they were read from.
struct ParsedFile {
    struct Section {
        String name;
        std::vector<std::pair<String, String>> keys;
    };
    String bytes;
    std::vector<Section> sections;
};

std::shared_ptr<const ParsedFile> Parse(String bytes) {
    auto file = std::make_shared<ParsedFile>();
    for (const String& line : SplitLines(TextToUtf8(bytes))) {
        ParsedLine parsed = ParseLine(line);
        if (parsed.kind == LineKind::Section)
            file->sections.push_back({std::move(parsed.name), {}});
        else if (parsed.kind == LineKind::Key && !file->sections.empty())
            file->sections.back().keys.emplace_back(std::move(parsed.name), std::move(parsed.value));
    }
    file->bytes = std::move(bytes);
    return file;
}

// The file parsed. The file is read on every call, so a change by anyone shows at once; decoding
// and parsing are done again only when its bytes differ from those parsed last time (a program
// reads its settings and language files key by key).
std::shared_ptr<const ParsedFile> ReadParsed(const String& fileName) {
    constexpr size_t kFilesKept = 4;
    thread_local std::vector<std::pair<String, std::shared_ptr<const ParsedFile>>> recent;
    String bytes;
    if (ReadWholeFile(fileName, bytes) != 0)
        return nullptr;
    auto it = std::find_if(recent.begin(), recent.end(),
                           [&](const auto& entry) { return entry.first == fileName; });
    if (it != recent.end() && it->second->bytes == bytes)
        return it->second;
    if (it != recent.end())
        recent.erase(it);
    if (recent.size() >= kFilesKept)
        recent.erase(recent.begin());
    recent.emplace_back(fileName, Parse(std::move(bytes)));
    return recent.back().second;
}

bool FindValue(const String& fileName, const String& section, const String& key, String& value) {
    std::shared_ptr<const ParsedFile> file = ReadParsed(fileName);
    if (!file)
        return false;
    // Of several sections, or keys in a section, of the same name the first one counts.
    auto header = std::find_if(file->sections.begin(), file->sections.end(),
                               [&](const ParsedFile::Section& s) { return SameName(s.name, section); });
    if (header == file->sections.end())
        return false;
    for (const auto& [name, text] : header->keys)
        if (SameName(name, key)) {
            value = text;
            return true;
        }
    return false;
}

DWORD CopyOut(const String& text, char* buffer, DWORD size) {
    if (buffer == nullptr || size == 0)
        return 0;
    size_t count = std::min<size_t>(text.size(), size - 1);
    if (count < text.size()) {
        // Step back to the start of a sequence cut in two.
        size_t limit = count >= 3 ? count - 3 : 0;
        size_t cut = count;
        while (cut > limit && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
            --cut;
        if ((static_cast<unsigned char>(text[cut]) & 0xC0) != 0x80)
            count = cut;
    }
    std::memcpy(buffer, text.data(), count);
    buffer[count] = '\0';
    return static_cast<DWORD>(count);
}

[[noreturn]] void RaiseWriteError(const char* fileName) {
    throw EIniFileException("Unable to write to " + String(fileName));
}

bool HasLineBreak(const String& text) {
    return text.find_first_of("\r\n") != String::npos;
}

// Writes contents to a new file in the directory of target and renames it over target.
bool ReplaceFile(const String& target, const String& contents, bool keepMode, mode_t mode) {
    static std::atomic<unsigned> counter{0};
    String dir = ExtractFilePath(target);
    String name = ExtractFileName(target);
    String temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        char suffix[48];
        std::snprintf(suffix, sizeof suffix, ".%d.%lx.%u.tmp", static_cast<int>(getpid()),
                      static_cast<unsigned long>(now.tv_nsec), counter.fetch_add(1));
        temp = dir + "." + name + suffix;
        fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return false;
    }
    if (fd < 0)
        return false;
    bool ok = !keepMode || fchmod(fd, mode & 07777) == 0;
    size_t written = 0;
    while (ok && written < contents.size()) {
        ssize_t count = write(fd, contents.data() + written, contents.size() - written);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            ok = false;
        else
            written += static_cast<size_t>(count);
    }
    ok = ok && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    ok = ok && rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        unlink(temp.c_str());
        return false;
    }
    return true;
}

}  // namespace

DWORD GetPrivateProfileStringA(const char* section, const char* key, const char* deflt, char* buffer,
                               DWORD size, const char* fileName) {
    String value;
    if (section == nullptr || key == nullptr || fileName == nullptr ||
        !FindValue(fileName, TrimBlanks(section), TrimBlanks(key), value))
        value = deflt != nullptr ? deflt : "";
    return CopyOut(value, buffer, size);
}

BOOL WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                const char* fileName) {
    if (section == nullptr || fileName == nullptr)
        return FALSE;
    String sectionName = TrimBlanks(section);
    String keyName = key != nullptr ? TrimBlanks(key) : String();
    // Names and values that would read back as something else, or break other lines.
    if (HasLineBreak(sectionName) || sectionName.find(']') != String::npos)
        RaiseWriteError(fileName);
    if (key != nullptr && (keyName.empty() || HasLineBreak(keyName) || keyName.find('=') != String::npos ||
                           keyName[0] == '[' || keyName[0] == ';'))
        RaiseWriteError(fileName);
    if (value != nullptr && HasLineBreak(value))
        RaiseWriteError(fileName);

    // Write to the file a symbolic link points at, not over the link.
    String target = fileName;
    if (target.empty())
        RaiseWriteError(fileName);
    struct stat info;
    if (lstat(target.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        char resolved[PATH_MAX];
        if (realpath(target.c_str(), resolved) != nullptr)
            target = resolved;
    }

    String bytes;
    bool exists = true;
    int error = ReadWholeFile(target, bytes);
    if (error == ENOENT)
        exists = false;
    else if (error != 0)
        RaiseWriteError(fileName);
    if (exists) {
        // A read-only file must not be replaced, even by a user whom permissions do not stop.
        if (stat(target.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || (info.st_mode & 0222) == 0 ||
            access(target.c_str(), W_OK) != 0)
            RaiseWriteError(fileName);
    }

    bool hasBom = bytes.compare(0, 3, kUtf8Bom) == 0;
    String text = TextToUtf8(bytes);
    size_t firstBreak = text.find('\n');
    bool crlf = firstBreak == String::npos || (firstBreak > 0 && text[firstBreak - 1] == '\r');
    std::vector<String> lines = SplitLines(text);

    size_t header = FindSection(lines, sectionName);
    if (key == nullptr) {
        if (header == String::npos)
            return TRUE;
        // Every section of the name goes, so that no later one shows through.
        while (header != String::npos) {
            lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(header),
                        lines.begin() + static_cast<std::ptrdiff_t>(SectionEnd(lines, header)));
            header = FindSection(lines, sectionName, header);
        }
    } else if (value == nullptr) {
        if (header == String::npos)
            return TRUE;
        bool removed = false;
        for (size_t i = SectionEnd(lines, header); i-- > header + 1;) {
            ParsedLine parsed = ParseLine(lines[i]);
            if (parsed.kind == LineKind::Key && SameName(parsed.name, keyName)) {
                lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(i));
                removed = true;
            }
        }
        if (!removed)
            return TRUE;
    } else if (header == String::npos) {
        lines.push_back("[" + sectionName + "]");
        lines.push_back(keyName + "=" + value);
    } else {
        size_t end = SectionEnd(lines, header);
        size_t insertAt = header + 1;
        bool replaced = false;
        for (size_t i = header + 1; i < end && !replaced; ++i) {
            ParsedLine parsed = ParseLine(lines[i]);
            if (parsed.kind != LineKind::Key)
                continue;
            if (SameName(parsed.name, keyName)) {
                lines[i] = parsed.name + "=" + value;
                replaced = true;
            }
            insertAt = i + 1;
        }
        if (!replaced)
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt), keyName + "=" + value);
    }

    const char* lineEnd = crlf ? "\r\n" : "\n";
    String output = hasBom ? String(kUtf8Bom) : String();
    for (const String& line : lines)
        output += line + lineEnd;
    if (!ReplaceFile(target, output, exists, exists ? info.st_mode : 0))
        RaiseWriteError(fileName);
    return TRUE;
}

String ReadProfileString(const String& section, const String& key, const String& deflt,
                         const String& fileName) {
    char buffer[kValueBufferSize];
    DWORD count = GetPrivateProfileStringA(section.c_str(), key.c_str(), deflt.c_str(), buffer,
                                           kValueBufferSize, fileName.c_str());
    return String(buffer, count);
}
