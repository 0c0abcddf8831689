// web.cpp -- `lndtool web`: one HTML file holding the browser viewer, its
// WebAssembly and a landscape, that opens from disk without a server.
#include "tools/web.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <system_error>

#include "landscape/lnd_file.h"
#include "platform/safe_write.h"
#include "tools/command_files.h"
#include "tools/commands.h"

#ifndef LND_WEB_BUILD_DIR
#define LND_WEB_BUILD_DIR ""
#endif

namespace {

void PrintLine(const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); }

// Inside a script element nothing may close it early: "</script", in any
// case, becomes "<\/script", which a script reads the same in its strings.
std::string ScriptSafe(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        bool closes = text[i] == '<' && i + 8 <= text.size() && text[i + 1] == '/';
        for (size_t k = 0; closes && k < 6; ++k) closes = std::tolower((unsigned char)text[i + 2 + k]) == "script"[k];
        if (closes) out += "<\\/", ++i;
        else out += text[i];
    }
    return out;
}

std::string JsonName(const std::string& name) {
    std::string out = "\"";
    for (unsigned char c : name) {
        if (c == '"' || c == '\\') out += '\\', out += char(c);
        else if (c < 0x20 || c == '<' || c == '>' || c == '&') {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else out += char(c);
    }
    return out + "\"";
}

bool ReplaceOnce(std::string* text, const std::string& marker, const std::string& with) {
    const size_t at = text->find(marker);
    if (at == std::string::npos) return false;
    text->replace(at, marker.size(), with);
    return true;
}

// A page file read whole; a link or anything but a regular file is refused.
bool ReadPageFile(const std::string& path, std::vector<uint8_t>* bytes) {
    std::error_code fault;
    if (std::filesystem::is_symlink(path, fault)) {
        PrintLine("ERROR : " + path + " : is a link; the page's files are read only as regular files");
        return false;
    }
    FileRead read = ReadWholeFile(path.c_str());
    std::unique_ptr<uint8_t[]> owned(read.data);
    if (read.fault != FileReadFault::None) {
        PrintLine(FileReadFaultLine(read, path.c_str()));
        return false;
    }
    bytes->assign(owned.get(), owned.get() + read.length);
    return true;
}

std::string ProgramPath() {
    std::error_code fault;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", fault);
    return fault ? std::string() : self.string();
}

bool HasPage(const std::string& folder) {
    std::error_code fault;
    for (const char* file : kWebPageFiles)
        if (!std::filesystem::is_regular_file(std::filesystem::path(folder) / file, fault)) return false;
    return true;
}

}  // namespace

std::vector<std::string> WebPageCandidates(const char* environmentOverride, const std::string& programPath,
                                           const std::string& buildFolder) {
    if (environmentOverride && *environmentOverride) return {environmentOverride};
    std::vector<std::string> folders;
    if (!programPath.empty())
        folders.push_back((std::filesystem::path(programPath).parent_path().parent_path() / "share" / "lndview" / "web")
                              .lexically_normal()
                              .string());
    if (!buildFolder.empty()) folders.push_back(buildFolder);
    return folders;
}

std::string Base64(const uint8_t* bytes, size_t size) {
    static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((size + 2) / 3 * 4);
    for (size_t i = 0; i < size; i += 3) {
        const uint32_t n = uint32_t(bytes[i]) << 16 | (i + 1 < size ? uint32_t(bytes[i + 1]) << 8 : 0) |
                           (i + 2 < size ? uint32_t(bytes[i + 2]) : 0);
        out += kDigits[n >> 18 & 63];
        out += kDigits[n >> 12 & 63];
        out += i + 1 < size ? kDigits[n >> 6 & 63] : '=';
        out += i + 2 < size ? kDigits[n & 63] : '=';
    }
    return out;
}

bool EmbedWebPage(const std::string& indexHtml, const std::string& viewerJs, const std::string& moduleJs,
                  const std::vector<uint8_t>& wasm, const std::string& name, const std::vector<uint8_t>& landscape,
                  std::string* html, std::string* fault) {
    *html = indexHtml;
    const std::string data = "<script>var LND_EMBEDDED = {\"name\": " + JsonName(name) + ", \"land\": \"" +
                             Base64(landscape.data(), landscape.size()) + "\", \"wasm\": \"" +
                             Base64(wasm.data(), wasm.size()) + "\"};</script>";
    // Replaced in this order, so nothing inserted is searched again.
    const std::pair<const char*, std::string> parts[] = {
        {"<script src=\"lndview.js\"></script>", "<script>" + ScriptSafe(moduleJs) + "</script>"},
        {"<script src=\"viewer.js\"></script>", "<script>" + ScriptSafe(viewerJs) + "</script>"},
        {"<script>/* lndtool web: landscape */</script>", data},
    };
    for (const auto& [marker, with] : parts) {
        if (!ReplaceOnce(html, marker, with)) {
            *fault = std::string("it has no ") + marker;
            return false;
        }
    }
    return true;
}

int RunWeb(const WebOptions& options) {
    const std::vector<std::string> folders =
        WebPageCandidates(std::getenv("LNDVIEW_WEB_PAGE"), ProgramPath(), LND_WEB_BUILD_DIR);
    std::string folder;
    for (const std::string& candidate : folders)
        if (HasPage(candidate)) {
            folder = candidate;
            break;
        }
    if (folder.empty()) {
        std::string looked;
        for (const std::string& f : folders) looked += (looked.empty() ? "" : ", ") + f;
        PrintLine("ERROR : lndtool web : the browser viewer is not built (looked in " + looked +
                  "); build it with 'make web' in the source folder");
        return 2;
    }
    std::vector<uint8_t> page[4];
    for (int i = 0; i < 4; ++i) {
        const std::string path = (std::filesystem::path(folder) / kWebPageFiles[i]).string();
        SafeWriteProtectInput(path);
        if (!ReadPageFile(path, &page[i])) return 2;
    }
    // The landscape must be one the page can show; it goes in as stored.
    StoredLandscape stored;
    if (!ReadUsableLandscape(options.file.c_str(), &stored)) return 2;
    const std::vector<uint8_t> landscape(stored.bytes.get(), stored.bytes.get() + stored.checked.length);
    auto text = [](const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); };
    std::string html, fault;
    if (!EmbedWebPage(text(page[0]), text(page[1]), text(page[2]), page[3],
                      std::filesystem::path(options.file).filename().string(), landscape, &html, &fault)) {
        PrintLine("ERROR : " + (std::filesystem::path(folder) / "index.html").string() +
                  " : not the page 'make web' builds: " + fault);
        return 2;
    }
    if (!WriteCommandFile(options.out.c_str(), html.data(), html.size())) return 2;
    std::printf("wrote %s : %zu bytes, the viewer and %s (%zu bytes) inside\n", options.out.c_str(), html.size(),
                options.file.c_str(), landscape.size());
    return 0;
}
