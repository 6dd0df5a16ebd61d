// The music library's calls over MusicSource: channels, syncs and the mixer. The output itself
// (a sound device, or the virtual clock) is the back end's (bass_common.h).
#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/bass.h"
#include "platform/bass_common.h"
#include "platform/music_file.h"
#include "platform/music_source.h"

namespace orv {

namespace bass {
namespace {

int32_t Fail(MusicLibrary& lib, const std::string& why) {
    lib.lastError = why;
    return 0;
}

Channel* FindChannel(MusicLibrary& lib, uint32_t handle) {
    if (handle == 0) return nullptr;
    for (Channel& c : lib.channels)
        if (c.handle == handle) return &c;
    return nullptr;
}

uint32_t NewHandle(MusicLibrary& lib) {
    const uint32_t h = lib.nextHandle++;
    if (lib.nextHandle == 0) lib.nextHandle = 1;
    return h;
}

// Installs a newly opened channel; 0 when every entry is taken.
uint32_t AddChannel(Platform& platform, Channel&& fresh) {
    MusicLibrary& lib = MusicLibraryOf(platform);
    for (Channel& c : lib.channels) {
        if (c.handle != 0) continue;
        fresh.handle = NewHandle(lib);
        MixerLock lock(platform);
        c = std::move(fresh);
        return c.handle;
    }
    return Fail(lib, "too many channels");
}

// The bytes of a file, or of memory, from `offset`; `length` 0 means to the end of a file.
bool LoadBytes(int32_t mem, const void* file, uint64_t offset, uint64_t length,
               std::vector<uint8_t>* out, std::string* why) {
    if (file == nullptr) {
        *why = "no file";
        return false;
    }
    if (mem != 0) {
        const uint8_t* bytes = static_cast<const uint8_t*>(file) + offset;
        out->assign(bytes, bytes + length);
        return true;
    }
    if (!ReadMusicFile(static_cast<const char*>(file), *out, why)) return false;
    if (offset > out->size()) {
        *why = "offset past the end of the file";
        return false;
    }
    const uint64_t end =
        length == 0 ? out->size() : std::min<uint64_t>(out->size(), offset + length);
    out->erase(out->begin() + ptrdiff_t(end), out->end());
    out->erase(out->begin(), out->begin() + ptrdiff_t(offset));
    return true;
}

std::unique_ptr<MusicSource> OpenChannelSource(const Channel& c, std::string* why) {
    if (c.isModule) return OpenModule(c.bytes.data(), c.bytes.size(), why);
    if (!c.path.empty()) return OpenWavFile(c.path, why);
    return OpenWav(c.bytes.data(), c.bytes.size(), why);
}

// Starts a channel, from its beginning when `rewind` or when it has already reached its end.
int32_t PlayChannel(Platform& platform, Channel& c, bool rewind) {
    {
        MixerLock lock(platform);
        if (!rewind && !c.ended) {
            c.playing = true;
            return 1;
        }
    }
    std::string why;
    std::unique_ptr<MusicSource> fresh = OpenChannelSource(c, &why);
    if (!fresh) return Fail(MusicLibraryOf(platform), why);
    {
        MixerLock lock(platform);
        std::swap(c.source, fresh);
        c.rendered = 0;
        c.ended = false;
        c.playing = true;
    }
    return 1; // the old source is released here, outside the mixer's lock
}

uint32_t OpenChannel(Platform& platform, bool isModule, int32_t mem, const void* file,
                     uint64_t offset, uint64_t length) {
    MusicLibrary& lib = MusicLibraryOf(platform);
    if (!lib.initialised) return Fail(lib, "not started");
    Channel c;
    c.isModule = isModule;
    std::string why;
    // A whole stream file is opened here (its header read) and read as it plays; anything else
    // is read into memory now.
    if (!isModule && mem == 0 && file != nullptr && offset == 0 && length == 0)
        c.path = static_cast<const char*>(file);
    else if (!LoadBytes(mem, file, offset, length, &c.bytes, &why))
        return Fail(lib, why);
    c.source = OpenChannelSource(c, &why);
    if (!c.source) return Fail(lib, why);
    return AddChannel(platform, std::move(c));
}

struct NoteContext {
    EventSink sink;
    void* context;
    uint32_t channel;
    uint64_t base; // the source's frame at the start of the block
    size_t frames;
};

void OnNote(void* context, const NoteStart& n) {
    const NoteContext& nc = *static_cast<const NoteContext*>(context);
    const uint64_t offset = std::min<uint64_t>(n.sample - std::min(n.sample, nc.base),
                                               nc.frames == 0 ? 0 : nc.frames - 1);
    nc.sink(nc.context, MixEvent{EventKind::Note, nc.channel, n.instrument, n.note, n.volume},
            size_t(offset));
}

} // namespace

void MixOutput(MusicLibrary& lib, int16_t* out, size_t frames, EventSink sink, void* context) {
    frames = std::min(frames, MaxMixFrames);
    std::memset(out, 0, frames * 2 * sizeof(int16_t));
    for (Channel& c : lib.channels) {
        if (c.handle == 0 || !c.playing || !c.source) continue;
        NoteContext nc{sink, context, c.handle, c.rendered, frames};
        const size_t got = c.source->Render(lib.scratch, frames, OnNote, &nc);
        for (size_t i = 0; i < got * 2; ++i)
            out[i] = int16_t(std::clamp(int32_t(out[i]) + lib.scratch[i], -32768, 32767));
        c.rendered += got;
        if (got < frames || c.source->Ended()) {
            c.playing = false;
            c.ended = true;
            const uint64_t end = std::max(c.source->EndSample(), nc.base);
            const size_t offset = size_t(std::min<uint64_t>(end - nc.base, got));
            sink(context, MixEvent{EventKind::End, c.handle, 0, 0, 0}, offset);
        }
    }
}

void FireEvent(MusicLibrary& lib, const MixEvent& event) {
    const uint32_t generation = lib.generation.load(std::memory_order_relaxed);
    const size_t count = lib.syncCount.load(std::memory_order_acquire);
    for (size_t i = 0; i < count && lib.generation.load(std::memory_order_relaxed) == generation;
         ++i) {
        const Sync& s = lib.syncs[i];
        if (s.channel != event.channel) continue;
        if (event.kind == EventKind::End && s.type == BASS_SYNC_END) {
            s.proc(s.handle, s.channel, 0, s.user);
        } else if (event.kind == EventKind::Note && s.type == BASS_SYNC_MUSICINST) {
            const uint32_t instrument = uint32_t(s.param & 0xFFFF);
            const uint32_t note = uint32_t(s.param >> 16) & 0xFFFF;
            if (instrument != event.instrument || (note != 0xFFFF && note != event.note)) continue;
            s.proc(s.handle, s.channel, (event.note & 0xFFFF) | (event.volume & 0xFFFF) << 16,
                   s.user);
        }
    }
}

} // namespace bass

using namespace bass;

int32_t BASS_Init(Platform& platform, int32_t /*device*/, uint32_t /*freq*/, uint32_t /*flags*/,
                  void* /*window*/) {
    // Always the default device; the mixer runs at MusicSampleRate whatever rate is asked for.
    MusicLibrary& lib = MusicLibraryOf(platform);
    if (lib.initialised) return Fail(lib, "already started");
    std::string why;
    if (!OpenOutput(platform, &why)) return Fail(lib, why);
    lib.initialised = true;
    return 1;
}

HSTREAM BASS_StreamCreateFile(Platform& platform, int32_t mem, const void* file, uint32_t offset,
                              uint32_t length, uint32_t /*flags*/) {
    return OpenChannel(platform, false, mem, file, offset, length);
}

// Every module plays once from its start: flags 5 asks for exactly that, and other flags are
// treated the same.
HMUSIC BASS_MusicLoad(Platform& platform, int32_t mem, const void* file, uint32_t offset,
                      uint32_t length, uint32_t /*flags*/) {
    return OpenChannel(platform, true, mem, file, offset, length);
}

HSYNC BASS_ChannelSetSync(Platform& platform, uint32_t handle, uint32_t type, uint64_t param,
                          SyncProc proc, void* user) {
    MusicLibrary& lib = MusicLibraryOf(platform);
    if (!lib.initialised || !FindChannel(lib, handle)) return Fail(lib, "no such channel");
    if (proc == nullptr || (type != BASS_SYNC_END && type != BASS_SYNC_MUSICINST))
        return Fail(lib, "unknown sync");
    const size_t n = lib.syncCount.load(std::memory_order_relaxed);
    if (n == MaxSyncs) return Fail(lib, "too many syncs");
    const HSYNC h = NewHandle(lib);
    lib.syncs[n] = Sync{h, handle, type, param, proc, user};
    lib.syncCount.store(n + 1, std::memory_order_release);
    return h;
}

int32_t BASS_Start(Platform& platform) {
    MusicLibrary& lib = MusicLibraryOf(platform);
    if (!lib.initialised) return Fail(lib, "not started");
    StartOutput(platform);
    return 1;
}

int32_t BASS_StreamPlay(Platform& platform, HSTREAM handle, int32_t flush, uint32_t /*flags*/) {
    MusicLibrary& lib = MusicLibraryOf(platform);
    Channel* c = lib.initialised ? FindChannel(lib, handle) : nullptr;
    if (!c || c->isModule) return Fail(lib, "no such stream");
    return PlayChannel(platform, *c, flush != 0);
}

int32_t BASS_MusicPlayEx(Platform& platform, HMUSIC handle, uint32_t pos, int32_t /*flags*/,
                         int32_t /*reset*/) {
    MusicLibrary& lib = MusicLibraryOf(platform);
    Channel* c = lib.initialised ? FindChannel(lib, handle) : nullptr;
    if (!c || !c->isModule) return Fail(lib, "no such module");
    if (pos != 0) return Fail(lib, "a module plays from its start only");
    // Position 0 is the start: a module that has already played some of itself starts again.
    bool started;
    {
        MixerLock lock(platform);
        started = c->rendered != 0;
    }
    return PlayChannel(platform, *c, started);
}

int32_t BASS_Free(Platform& platform) {
    MusicLibrary& lib = MusicLibraryOf(platform);
    if (!lib.initialised) return 0;
    if (!CloseOutput(platform)) return Fail(lib, "cannot stop from inside a sync");
    // No thread mixes or fires any more: everything can go.
    lib.generation.fetch_add(1, std::memory_order_relaxed);
    lib.syncCount.store(0, std::memory_order_relaxed);
    for (Channel& c : lib.channels) c = Channel{};
    lib.initialised = false;
    return 1;
}

const char* BASS_ErrorText(Platform& platform) {
    return MusicLibraryOf(platform).lastError.c_str();
}

} // namespace orv
