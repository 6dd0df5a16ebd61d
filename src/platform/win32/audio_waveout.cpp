// Real music output through waveOut: 44100 Hz, stereo, 16-bit, in a ring of small blocks that a
// thread of its own keeps full. The same thread fires each sync when the device's play position
// reaches the event's frame, so a trigger reaches the picture with its sound, not a buffer early.
#include <atomic>
#include <cstring>
#include <string>
#include <system_error>
#include <thread>

#include "platform/music_source.h"
#include "platform/win32/state.h"

namespace orv {

namespace {

constexpr int BlockCount = 4;
constexpr size_t BlockFrames = 1024; // 23 ms; at most four of them (93 ms) wait in the device
static_assert(BlockFrames <= bass::MaxMixFrames);
// The thread looks at the play position at least this often.
constexpr DWORD PollMs = 2;

struct PendingEvent {
    bass::MixEvent event;
    uint64_t frame; // counted from the opening of the device
};

struct Output {
    HWAVEOUT device = nullptr;
    HANDLE wake = nullptr; // signalled by the device whenever a block is done
    WAVEHDR headers[BlockCount] = {};
    int16_t samples[BlockCount][BlockFrames * 2] = {};
    int nextBlock = 0;
    uint64_t framesQueued = 0;
    // Play position, widened past the device's 32-bit counter.
    uint64_t framesPlayed = 0;
    DWORD lastPosition = 0;
    // Written and read by the output thread only.
    static constexpr uint32_t Capacity = 4096;
    PendingEvent events[Capacity] = {};
    uint32_t head = 0, tail = 0;
    CRITICAL_SECTION mixer;
    std::thread thread;
    std::atomic<bool> stop{false};
    std::atomic<uint64_t> dropped{0};
    Output() { ::InitializeCriticalSection(&mixer); }
};

// Never destroyed: the process may end while the output thread still runs.
Output& Out() {
    static Output* out = new Output;
    return *out;
}

struct BlockContext {
    Output* out;
    uint64_t firstFrame;
};

void OnMixEvent(void* context, const bass::MixEvent& event, size_t offset) {
    const BlockContext& b = *static_cast<const BlockContext*>(context);
    Output& o = *b.out;
    if (o.tail - o.head == Output::Capacity) {
        o.dropped.fetch_add(1, std::memory_order_relaxed);
        return;
    }
    o.events[o.tail % Output::Capacity] = PendingEvent{event, b.firstFrame + offset};
    o.tail++;
}

uint64_t PlayedFrames(Output& o) {
    MMTIME time{};
    time.wType = TIME_SAMPLES;
    if (::waveOutGetPosition(o.device, &time, sizeof time) != MMSYSERR_NOERROR) {
        return o.framesPlayed;
    }
    DWORD position = time.u.sample;
    if (time.wType == TIME_BYTES) position = time.u.cb / 4; // a driver that counts bytes
    o.framesPlayed += DWORD(position - o.lastPosition);
    o.lastPosition = position;
    return o.framesPlayed;
}

// Mixes into every block the device is done with and hands it back.
void Refill(Output& o) {
    for (;;) {
        WAVEHDR& h = o.headers[o.nextBlock];
        if ((h.dwFlags & WHDR_DONE) == 0) return;
        BlockContext b{&o, o.framesQueued};
        ::EnterCriticalSection(&o.mixer);
        bass::MixOutput(o.samples[o.nextBlock], BlockFrames, OnMixEvent, &b);
        ::LeaveCriticalSection(&o.mixer);
        h.dwFlags &= ~DWORD(WHDR_DONE);
        if (::waveOutWrite(o.device, &h, sizeof h) != MMSYSERR_NOERROR) {
            h.dwFlags |= WHDR_DONE; // tried again on the next round
            return;
        }
        o.framesQueued += BlockFrames;
        o.nextBlock = (o.nextBlock + 1) % BlockCount;
    }
}

void OutputLoop(Output* o) {
    while (!o->stop.load(std::memory_order_acquire)) {
        Refill(*o);
        const uint64_t played = PlayedFrames(*o);
        while (o->head != o->tail && o->events[o->head % Output::Capacity].frame <= played) {
            const bass::MixEvent event = o->events[o->head % Output::Capacity].event;
            o->head++;
            bass::FireEvent(event);
        }
        ::WaitForSingleObject(o->wake, PollMs);
    }
}

void CloseDevice(Output& o) {
    ::waveOutReset(o.device); // silent at once; every block comes back done
    for (WAVEHDR& h : o.headers) {
        if (h.dwFlags & WHDR_PREPARED) ::waveOutUnprepareHeader(o.device, &h, sizeof h);
    }
    ::waveOutClose(o.device);
    o.device = nullptr;
    ::CloseHandle(o.wake);
    o.wake = nullptr;
}

std::string WaveOutText(MMRESULT result) {
    char text[MAXERRORLENGTH] = "";
    if (::waveOutGetErrorTextA(result, text, sizeof text) != MMSYSERR_NOERROR) {
        return "waveOut error " + std::to_string(result);
    }
    return text;
}

} // namespace

namespace bass {

bool OpenOutput(std::string* why) {
    Output& o = Out();
    o.wake = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (o.wake == nullptr) {
        *why = "CreateEvent failed";
        return false;
    }
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = MusicSampleRate;
    format.wBitsPerSample = 16;
    format.nBlockAlign = 4;
    format.nAvgBytesPerSec = MusicSampleRate * 4;
    const MMRESULT opened = ::waveOutOpen(&o.device, WAVE_MAPPER, &format,
                                          reinterpret_cast<DWORD_PTR>(o.wake), 0, CALLBACK_EVENT);
    if (opened != MMSYSERR_NOERROR) {
        *why = "waveOutOpen: " + WaveOutText(opened);
        ::CloseHandle(o.wake);
        o.wake = nullptr;
        o.device = nullptr;
        return false;
    }
    for (int i = 0; i < BlockCount; ++i) {
        WAVEHDR& h = o.headers[i];
        h = WAVEHDR{};
        h.lpData = reinterpret_cast<LPSTR>(o.samples[i]);
        h.dwBufferLength = DWORD(sizeof o.samples[i]);
        const MMRESULT prepared = ::waveOutPrepareHeader(o.device, &h, sizeof h);
        if (prepared != MMSYSERR_NOERROR) {
            *why = "waveOutPrepareHeader: " + WaveOutText(prepared);
            CloseDevice(o);
            return false;
        }
        h.dwFlags |= WHDR_DONE; // free to be filled
    }
    o.nextBlock = 0;
    o.framesQueued = o.framesPlayed = 0;
    o.lastPosition = 0;
    o.head = o.tail = 0;
    o.stop.store(false, std::memory_order_relaxed);
    try {
        o.thread = std::thread(OutputLoop, &o);
    } catch (const std::system_error& e) {
        *why = e.what();
        CloseDevice(o);
        return false;
    }
    return true;
}

void StartOutput() {
    ::waveOutRestart(Out().device);
}

bool CloseOutput() {
    Output& o = Out();
    if (std::this_thread::get_id() == o.thread.get_id()) return false;
    o.stop.store(true, std::memory_order_release);
    ::SetEvent(o.wake);
    o.thread.join();
    CloseDevice(o);
    o.head = o.tail = 0; // the syncs of sound never heard do not fire
    return true;
}

void LockMixer() {
    ::EnterCriticalSection(&Out().mixer);
}
void UnlockMixer() {
    ::LeaveCriticalSection(&Out().mixer);
}

} // namespace bass

} // namespace orv
