#include "platform/runtime/FileSearch.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/runtime/Files.h"

struct TSearchState {
    String Directory;
    std::vector<String> Names;
    std::size_t Next = 0;
    Integer Attr = 0;
    String Mask;
};

namespace {

constexpr Integer ErrorFileNotFound = 2;
constexpr Integer ErrorNoMoreFiles = 18;

char Fold(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

bool MatchMask(const char* mask, const char* name) {
    while (*mask) {
        if (*mask == '*') {
            while (*mask == '*')
                ++mask;
            if (!*mask) return true;
            for (const char* p = name; *p; ++p)
                if (MatchMask(mask, p)) return true;
            return MatchMask(mask, name + std::strlen(name));
        }
        if (!*name) return false;
        if (*mask != '?' && Fold(*mask) != Fold(*name)) return false;
        ++mask;
        ++name;
    }
    return !*name;
}

// Fills rec from the next name of the state that passes the attribute rules.
Integer Advance(TSearchRec& rec) {
    TSearchState& state = *rec.FindHandle;
    while (state.Next < state.Names.size()) {
        const String name = state.Names[state.Next++];
        struct stat info {};
        if (::stat((state.Directory + name).c_str(), &info) != 0) continue;
        Integer attr = 0;
        if (S_ISDIR(info.st_mode)) attr |= faDirectory;
        if (!name.empty() && name[0] == '.' && name != "." && name != "..") attr |= faHidden;
        if ((info.st_mode & 0222) == 0) attr |= faReadOnly;
        if (!S_ISDIR(info.st_mode)) attr |= faArchive;
        if ((attr & faDirectory) && !(state.Attr & faDirectory)) continue;
        if ((attr & faHidden) && !(state.Attr & faHidden)) continue;
        rec.Name = name;
        rec.Attr = attr;
        rec.Size = S_ISDIR(info.st_mode) ? 0 : Int64(info.st_size);
        rec.Time = Integer(info.st_mtime);
        return 0;
    }
    return -1;
}

} // namespace

Integer FindFirst(const String& path, Integer attr, TSearchRec& rec) {
    auto state = std::make_shared<TSearchState>();
    state->Directory = ExtractFilePath(path);
    state->Mask = ExtractFileName(path);
    state->Attr = attr;
    rec.ExcludeAttr = ~attr & (faHidden | faSysFile | faVolumeID | faDirectory);
    DIR* dir = ::opendir(state->Directory.empty() ? "." : state->Directory.c_str());
    if (!dir) {
        rec.FindHandle.reset();
        return ErrorFileNotFound;
    }
    while (dirent* entry = ::readdir(dir))
        if (MatchMask(state->Mask.c_str(), entry->d_name)) state->Names.push_back(entry->d_name);
    ::closedir(dir);
    std::sort(state->Names.begin(), state->Names.end());
    rec.FindHandle = state;
    if (Advance(rec) != 0) {
        rec.FindHandle.reset();
        return ErrorFileNotFound;
    }
    return 0;
}

Integer FindNext(TSearchRec& rec) {
    if (!rec.FindHandle) return ErrorNoMoreFiles;
    return Advance(rec) == 0 ? 0 : ErrorNoMoreFiles;
}

void FindClose(TSearchRec& rec) { rec.FindHandle.reset(); }

DWORD GetModuleFileNameA(HMODULE module, char* fileName, DWORD size) {
    if (module != nullptr || size == 0 || !fileName) return 0;
    const String name = ParamStr(0);
    DWORD count = std::min<DWORD>(DWORD(name.size()), size - 1);
    std::memcpy(fileName, name.data(), count);
    fileName[count] = '\0';
    return count;
}
