// Real music output through waveOut: 44100 Hz, stereo, 16-bit, in a ring of small blocks that a
// thread of its own keeps full. The same thread fires each sync when the device's play position
// reaches the event's frame, so a trigger reaches the picture with its sound, not a buffer early.
#include <cstring>
#include <string>
#include <system_error>
#include <thread>

#include "platform/music_source.h"
#include "platform/win32/state.h"

namespace orv {

namespace {

using win32::AudioBlockFrames;
using win32::AudioBlocks;
using win32::AudioOutput;
using win32::PendingEvent;

// The thread looks at the play position at least this often.
constexpr DWORD PollMs = 2;
// waveOutGetPosition counts the frames the system's mixer has taken; the device still holds
// about one period of the mixer's (10 ms in shared mode) before they are heard. Nothing in
// waveOut tells more; --audio-offset corrects the rest.
constexpr int64_t DeviceBufferNs = 10'000'000;

struct BlockContext {
    AudioOutput* out;
    uint64_t firstFrame;
};

void OnMixEvent(void* context, const bass::MixEvent& event, size_t offset) {
    const BlockContext& b = *static_cast<const BlockContext*>(context);
    AudioOutput& o = *b.out;
    if (o.tail - o.head == AudioOutput::Capacity) {
        o.dropped.fetch_add(1, std::memory_order_relaxed);
        return;
    }
    o.events[o.tail % AudioOutput::Capacity] = PendingEvent{event, b.firstFrame + offset};
    o.tail++;
}

uint64_t PlayedFrames(AudioOutput& o) {
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
void Refill(Platform& platform) {
    AudioOutput& o = platform.audio;
    for (;;) {
        WAVEHDR& h = o.headers[o.nextBlock];
        if ((h.dwFlags & WHDR_DONE) == 0) return;
        BlockContext b{&o, o.framesQueued};
        ::EnterCriticalSection(&o.mixer);
        bass::MixOutput(platform.music, o.samples[o.nextBlock], AudioBlockFrames, OnMixEvent, &b);
        ::LeaveCriticalSection(&o.mixer);
        h.dwFlags &= ~DWORD(WHDR_DONE);
        if (::waveOutWrite(o.device, &h, sizeof h) != MMSYSERR_NOERROR) {
            h.dwFlags |= WHDR_DONE; // tried again on the next round
            return;
        }
        o.framesQueued += AudioBlockFrames;
        o.nextBlock = (o.nextBlock + 1) % AudioBlocks;
    }
}

// The output thread; its argument is the back end it plays for.
void OutputLoop(Platform* platform) {
    AudioOutput& o = platform->audio;
    while (!o.stop.load(std::memory_order_acquire)) {
        Refill(*platform);
        // A frame is heard DeviceBufferNs (and the user's offset) after the mixer took it; a
        // note fires the time a frame takes to reach the screen before that.
        const int64_t playedNs =
            int64_t(PlayedFrames(o)) * 1'000'000'000 / int64_t(MusicSampleRate);
        const int64_t heardNs = playedNs - DeviceBufferNs - o.offsetNs;
        const int64_t leadNs = o.leadNs.load(std::memory_order_relaxed);
        while (o.head != o.tail) {
            const PendingEvent& e = o.events[o.head % AudioOutput::Capacity];
            const int64_t frameNs = int64_t(e.frame) * 1'000'000'000 / int64_t(MusicSampleRate);
            const bool note = e.event.kind == bass::EventKind::Note;
            if (frameNs > heardNs + (note ? leadNs : 0)) break;
            const bass::MixEvent event = e.event;
            o.head++;
            bass::FireEvent(platform->music, event);
        }
        ::WaitForSingleObject(o.wake, PollMs);
    }
}

void CloseDevice(AudioOutput& o) {
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

void SetAudioOffset(Platform& platform, int32_t milliseconds) {
    platform.audio.offsetNs = int64_t(milliseconds) * 1000000;
}

namespace bass {

MusicLibrary& MusicLibraryOf(Platform& platform) {
    return platform.music;
}

bool OpenOutput(Platform& platform, std::string* why) {
    AudioOutput& o = platform.audio;
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
    for (int i = 0; i < AudioBlocks; ++i) {
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
        o.thread = std::thread(OutputLoop, &platform);
    } catch (const std::system_error& e) {
        *why = e.what();
        CloseDevice(o);
        return false;
    }
    return true;
}

void StartOutput(Platform& platform) {
    ::waveOutRestart(platform.audio.device);
}

bool CloseOutput(Platform& platform) {
    AudioOutput& o = platform.audio;
    if (std::this_thread::get_id() == o.thread.get_id()) return false;
    o.stop.store(true, std::memory_order_release);
    ::SetEvent(o.wake);
    o.thread.join();
    CloseDevice(o);
    o.head = o.tail = 0; // the syncs of sound never heard do not fire
    return true;
}

void LockMixer(Platform& platform) {
    ::EnterCriticalSection(&platform.audio.mixer);
}
void UnlockMixer(Platform& platform) {
    ::LeaveCriticalSection(&platform.audio.mixer);
}

} // namespace bass

} // namespace orv
