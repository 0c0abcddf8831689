// web.h -- the pieces of `lndtool web` that need no files: the page's
// folder chosen among its candidates, and the page made into one
// self-contained HTML file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The four files `make web` builds, in the page's folder.
inline constexpr const char* kWebPageFiles[] = {"index.html", "viewer.js", "lndview.js", "lndview.wasm"};

// Where the page is looked for, in order: LNDVIEW_WEB_PAGE when set (and then
// only there), the installed share folder next to the program
// (<bin>/../share/lndview/web), the build folder of `make web`.
std::vector<std::string> WebPageCandidates(const char* environmentOverride, const std::string& programPath,
                                           const std::string& buildFolder);

// Standard base64, padded.
std::string Base64(const uint8_t* bytes, size_t size);

// The page with its two scripts and the module inside it and the landscape
// `name` (its bytes as given) in the data script. False with *fault naming
// what of the page is missing when it is not the page `make web` builds.
bool EmbedWebPage(const std::string& indexHtml, const std::string& viewerJs, const std::string& moduleJs,
                  const std::vector<uint8_t>& wasm, const std::string& name, const std::vector<uint8_t>& landscape,
                  std::string* html, std::string* fault);
