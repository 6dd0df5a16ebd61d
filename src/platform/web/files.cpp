// File services in the page (files.h): a browser has no folder to write into, so a new file is
// offered to the viewer as a download under the file's own name (its path's last part). A TGA
// picture is offered a second time as a PNG, which every browser and viewer shows. A name
// already offered in this run counts as taken, so numbered files move on as they would on disk.
#include <emscripten.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/files.h"

// clang-format off
EM_JS(int, WebOffered, (const char* name), { return Module.orv.offered.has(UTF8ToString(name)) ? 1 : 0; });
EM_JS(int, WebOfferDownload, (const char* name, const uint8_t* bytes, size_t count), {
    return Module.orv.offerDownload(UTF8ToString(name), HEAPU8.slice(bytes, bytes + count)) ? 1 : 0;
});
// clang-format on

namespace orv {

namespace {

bool Append(void* context, const uint8_t* bytes, size_t count) {
    auto& content = *static_cast<std::vector<uint8_t>*>(context);
    content.insert(content.end(), bytes, bytes + count);
    return true;
}

} // namespace

FileStatus CreateNewFile(const char* path, FileWriter writer, void* context, std::string* why) {
    const char* slash = std::strrchr(path, '/');
    const std::string name = slash != nullptr ? slash + 1 : path;
    if (name.empty()) {
        if (why != nullptr) *why = "no file name";
        return FileStatus::Failed;
    }
    if (WebOffered(name.c_str()) != 0) {
        if (why != nullptr) *why = "already offered";
        return FileStatus::NameTaken;
    }
    std::vector<uint8_t> content;
    if (!writer(context, Append, &content)) {
        if (why != nullptr) *why = "the content could not be made";
        return FileStatus::Failed;
    }
    if (WebOfferDownload(name.c_str(), content.data(), content.size()) == 0) {
        if (why != nullptr) *why = "the page could not offer the download";
        return FileStatus::Failed;
    }
    return FileStatus::Created;
}

} // namespace orv
