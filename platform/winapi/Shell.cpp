#include "platform/winapi/Shell.h"

#include <cctype>
#include <filesystem>
#include <mutex>
#include <system_error>

#include "platform/winapi/WinError.h"

namespace {

std::mutex gOpenerLock;
TShellOpener& Opener() {
    static TShellOpener* opener = new TShellOpener; // the backend installs it during start-up
    return *opener;
}

HINSTANCE Result(int code) {
    if (code <= 32) SetLastError(DWORD(code));
    return reinterpret_cast<HINSTANCE>(std::intptr_t(code));
}

// "scheme:" with a scheme of two letters or more: "http://...", "mailto:...", "file:///...".
bool IsAddress(const String& text) {
    std::size_t i = 0;
    if (text.empty() || !std::isalpha(static_cast<unsigned char>(text[0]))) return false;
    while (i < text.size()) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (std::isalnum(c) || c == '+' || c == '-' || c == '.') {
            ++i;
            continue;
        }
        break;
    }
    return i >= 2 && i < text.size() && text[i] == ':';
}

bool IsOpenVerb(LPCSTR operation) {
    if (!operation || !*operation) return true;
    const String verb = operation;
    if (verb.size() != 4) return false;
    for (std::size_t i = 0; i < 4; ++i)
        if (std::tolower(static_cast<unsigned char>(verb[i])) != "open"[i]) return false;
    return true;
}

} // namespace

TShellOpener ShellSetOpener(TShellOpener opener) {
    std::lock_guard<std::mutex> guard(gOpenerLock);
    std::swap(Opener(), opener);
    return opener;
}

HINSTANCE ShellExecuteA(HWND window, LPCSTR operation, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                        INT showCmd) {
    TShellOpenRequest request;
    request.Window = window;
    request.Verb = operation ? operation : "";
    request.File = file ? file : "";
    request.Parameters = parameters ? parameters : "";
    request.Directory = directory ? directory : "";
    request.ShowCmd = showCmd;

    if (!IsOpenVerb(operation)) return Result(SE_ERR_NOASSOC);
    if (request.File.empty()) return Result(SE_ERR_FNF);

    if (IsAddress(request.File)) {
        request.IsUrl = true;
        request.Target = request.File;
    } else {
        namespace fs = std::filesystem;
        std::error_code error;
        fs::path path(request.File);
        if (path.is_relative()) {
            fs::path base = request.Directory.empty() ? fs::current_path(error) : fs::path(request.Directory);
            if (error) return Result(SE_ERR_PNF);
            path = base / path;
        }
        path = path.lexically_normal();
        if (!fs::exists(path, error)) {
            const fs::path parent = path.parent_path();
            return Result(parent.empty() || fs::is_directory(parent, error) ? SE_ERR_FNF : SE_ERR_PNF);
        }
        request.Target = path.string();
    }

    TShellOpener opener;
    {
        std::lock_guard<std::mutex> guard(gOpenerLock);
        opener = Opener();
    }
    if (!opener || !opener(request)) return Result(SE_ERR_NOASSOC);
    return Result(42);
}
