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

struct Channel {
    uint32_t handle = 0; // 0: a free entry
    bool isModule = false;
    // What starts the music again from its beginning: the bytes of a module (or of a stream in
    // memory), or the path of a stream file, which is read as it plays.
    std::vector<uint8_t> bytes;
    std::string path;
    std::unique_ptr<MusicSource> source;
    // Changed only with the mixer excluded; the mixer changes them while it runs.
    bool playing = false;
    bool ended = false;
    uint64_t rendered = 0; // frames of the source mixed so far
};

struct Sync {
    HSYNC handle;
    uint32_t channel;
    uint32_t type;
    uint64_t param;
    SyncProc proc;
    uint32_t user;
};

constexpr int MaxChannels = 8;
constexpr size_t MaxSyncs = 512;

struct Library {
    bool initialised = false;
    uint32_t nextHandle = 1;
    // Incremented by BASS_Free, so that a sync run that frees the library stops at once.
    uint32_t generation = 0;
    Channel channels[MaxChannels];
    // Entries below syncCount are written before the count is published and not changed until
    // BASS_Free, which first stops every thread that fires syncs.
    Sync syncs[MaxSyncs];
    std::atomic<size_t> syncCount{0};
    int16_t scratch[MaxMixFrames * 2] = {};
    std::string lastError;
};

// Never destroyed: the audio thread may still run while the process exits.
Library& Lib() {
    static Library* lib = new Library;
    return *lib;
}

int32_t Fail(const std::string& why) {
    Lib().lastError = why;
    return 0;
}

Channel* FindChannel(uint32_t handle) {
    if (handle == 0) return nullptr;
    for (Channel& c : Lib().channels)
        if (c.handle == handle) return &c;
    return nullptr;
}

uint32_t NewHandle() {
    Library& lib = Lib();
    const uint32_t h = lib.nextHandle++;
    if (lib.nextHandle == 0) lib.nextHandle = 1;
    return h;
}

// Installs a newly opened channel; 0 when every entry is taken.
uint32_t AddChannel(Channel&& fresh) {
    Library& lib = Lib();
    for (Channel& c : lib.channels) {
        if (c.handle != 0) continue;
        fresh.handle = NewHandle();
        MixerLock lock;
        c = std::move(fresh);
        return c.handle;
    }
    return Fail("too many channels");
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
int32_t PlayChannel(Channel& c, bool rewind) {
    {
        MixerLock lock;
        if (!rewind && !c.ended) {
            c.playing = true;
            return 1;
        }
    }
    std::string why;
    std::unique_ptr<MusicSource> fresh = OpenChannelSource(c, &why);
    if (!fresh) return Fail(why);
    {
        MixerLock lock;
        std::swap(c.source, fresh);
        c.rendered = 0;
        c.ended = false;
        c.playing = true;
    }
    return 1; // the old source is released here, outside the mixer's lock
}

uint32_t OpenChannel(bool isModule, int32_t mem, const void* file, uint64_t offset,
                     uint64_t length) {
    if (!Lib().initialised) return Fail("not started");
    Channel c;
    c.isModule = isModule;
    std::string why;
    // A whole stream file is opened here (its header read) and read as it plays; anything else
    // is read into memory now.
    if (!isModule && mem == 0 && file != nullptr && offset == 0 && length == 0)
        c.path = static_cast<const char*>(file);
    else if (!LoadBytes(mem, file, offset, length, &c.bytes, &why))
        return Fail(why);
    c.source = OpenChannelSource(c, &why);
    if (!c.source) return Fail(why);
    return AddChannel(std::move(c));
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

void MixOutput(int16_t* out, size_t frames, EventSink sink, void* context) {
    Library& lib = Lib();
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

void FireEvent(const MixEvent& event) {
    Library& lib = Lib();
    const uint32_t generation = lib.generation;
    const size_t count = lib.syncCount.load(std::memory_order_acquire);
    for (size_t i = 0; i < count && lib.generation == generation; ++i) {
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

int32_t BASS_Init(int32_t /*device*/, uint32_t /*freq*/, uint32_t /*flags*/, void* /*window*/) {
    // Always the default device; the mixer runs at MusicSampleRate whatever rate is asked for.
    Library& lib = Lib();
    if (lib.initialised) return Fail("already started");
    std::string why;
    if (!OpenOutput(&why)) return Fail(why);
    lib.initialised = true;
    return 1;
}

HSTREAM BASS_StreamCreateFile(int32_t mem, const void* file, uint32_t offset, uint32_t length,
                              uint32_t /*flags*/) {
    return OpenChannel(false, mem, file, offset, length);
}

// Every module plays once from its start: flags 5 asks for exactly that, and other flags are
// treated the same.
HMUSIC BASS_MusicLoad(int32_t mem, const void* file, uint32_t offset, uint32_t length,
                      uint32_t /*flags*/) {
    return OpenChannel(true, mem, file, offset, length);
}

HSYNC BASS_ChannelSetSync(uint32_t handle, uint32_t type, uint64_t param, SyncProc proc,
                          uint32_t user) {
    Library& lib = Lib();
    if (!lib.initialised || !FindChannel(handle)) return Fail("no such channel");
    if (proc == nullptr || (type != BASS_SYNC_END && type != BASS_SYNC_MUSICINST))
        return Fail("unknown sync");
    const size_t n = lib.syncCount.load(std::memory_order_relaxed);
    if (n == MaxSyncs) return Fail("too many syncs");
    const HSYNC h = NewHandle();
    lib.syncs[n] = Sync{h, handle, type, param, proc, user};
    lib.syncCount.store(n + 1, std::memory_order_release);
    return h;
}

int32_t BASS_Start() {
    if (!Lib().initialised) return Fail("not started");
    StartOutput();
    return 1;
}

int32_t BASS_StreamPlay(HSTREAM handle, int32_t flush, uint32_t /*flags*/) {
    Channel* c = Lib().initialised ? FindChannel(handle) : nullptr;
    if (!c || c->isModule) return Fail("no such stream");
    return PlayChannel(*c, flush != 0);
}

int32_t BASS_MusicPlayEx(HMUSIC handle, uint32_t pos, int32_t /*flags*/, int32_t /*reset*/) {
    Channel* c = Lib().initialised ? FindChannel(handle) : nullptr;
    if (!c || !c->isModule) return Fail("no such module");
    if (pos != 0) return Fail("a module plays from its start only");
    // Position 0 is the start: a module that has already played some of itself starts again.
    bool started;
    {
        MixerLock lock;
        started = c->rendered != 0;
    }
    return PlayChannel(*c, started);
}

int32_t BASS_Free() {
    Library& lib = Lib();
    if (!lib.initialised) return 0;
    if (!CloseOutput()) return Fail("cannot stop from inside a sync");
    // No thread mixes or fires any more: everything can go.
    ++lib.generation;
    lib.syncCount.store(0, std::memory_order_relaxed);
    for (Channel& c : lib.channels) c = Channel{};
    lib.initialised = false;
    return 1;
}

const char* BASS_ErrorText() {
    return Lib().lastError.c_str();
}

} // namespace orv
