#include "tune/score.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <vector>

namespace tune {
namespace {

constexpr uint8_t KeyOff = 97;

struct Step {
    enum class Volume { None, Default, Accent, Ghost, Explicit };
    uint8_t note = 0; // 0 nothing, 1..96, KeyOff
    Volume kind = Volume::None;
    int volume = 0;
};

struct Riff {
    int instrument = 0; // index into Parser::instruments_
    std::vector<Step> steps;
};

struct InstrumentDef {
    std::string name;
    std::string voice;
    int number = 0;
    int volume = 64;
    int panning = 128;
};

struct PatternDef {
    int rows = 64;
    std::vector<std::vector<xm::Cell>> cells; // per channel, `rows` cells
    std::vector<int> used;                    // rows filled so far, per channel
    std::vector<bool> inherited;              // still holds the base pattern's rows
};

bool IsNameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

// Whole non-negative decimal number, or -1.
int Number(const std::string& s) {
    if (s.empty() || s.size() > 6) return -1;
    int v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return -1;
        v = v * 10 + (c - '0');
    }
    return v;
}

// Splits a line into tokens at white space, keeping {...} groups inside one token.
std::vector<std::string> Tokenize(const std::string& line) {
    std::vector<std::string> tokens;
    std::string current;
    int depth = 0;
    for (char c : line) {
        if (c == '#' && depth == 0 && current.empty()) break; // a '#' inside a note is a sharp
        if (c == '{') ++depth;
        if (c == '}' && depth > 0) --depth;
        if (std::isspace(static_cast<unsigned char>(c)) && depth == 0) {
            if (!current.empty()) tokens.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty()) tokens.push_back(current);
    return tokens;
}

// A note name such as C4, F#3 or Bb2 as a tracker note (1 = C-0); 0 when not a note name.
int NoteNumber(const std::string& s) {
    static const int semitones[7] = {9, 11, 0, 2, 4, 5, 7}; // A..G
    if (s.size() < 2 || s[0] < 'A' || s[0] > 'G') return 0;
    int semi = semitones[s[0] - 'A'];
    size_t at = 1;
    if (s[at] == '#')
        ++semi, ++at;
    else if (s[at] == 'b')
        --semi, ++at;
    const int octave = Number(s.substr(at));
    if (octave < 0 || octave > 7) return 0;
    const int note = 12 * octave + semi + 1;
    return note >= 1 && note <= 96 ? note : 0;
}

class Parser {
  public:
    Parser(const VoiceFactory& voices, xm::Module* out) : voices_(voices), out_(out) {}

    bool Run(const std::string& text, std::string* why) {
        size_t start = 0;
        while (start <= text.size()) {
            size_t end = text.find('\n', start);
            if (end == std::string::npos) end = text.size();
            ++line_;
            if (!Line(text.substr(start, end - start))) {
                *why = "line " + std::to_string(line_) + ": " + error_;
                return false;
            }
            start = end + 1;
        }
        line_ = 0;
        if (!Finish()) {
            *why = error_;
            return false;
        }
        return true;
    }

  private:
    bool Fail(const std::string& message) {
        error_ = message;
        return false;
    }

    bool Line(const std::string& raw) {
        const std::vector<std::string> t = Tokenize(raw);
        if (t.empty()) return true;
        const std::string& key = t[0];
        if (key == "title") {
            const size_t at = raw.find("title") + 5;
            const size_t from = raw.find_first_not_of(" \t", at);
            const size_t hash = raw.find('#');
            std::string name = from == std::string::npos ? "" : raw.substr(from, hash - from);
            while (!name.empty() && std::isspace(static_cast<unsigned char>(name.back())))
                name.pop_back();
            out_->name = name;
            return Context(None);
        }
        if (key == "speed" || key == "bpm") {
            const int v = t.size() == 2 ? Number(t[1]) : -1;
            if (key == "speed" && (v < 1 || v > 31)) return Fail("speed must be 1..31");
            if (key == "bpm" && (v < 32 || v > 255)) return Fail("bpm must be 32..255");
            (key == "speed" ? out_->speed : out_->bpm) = v;
            return Context(None);
        }
        if (key == "instrument") return Instrument(t) && Context(None);
        if (key == "channels") return Channels(t) && Context(None);
        if (key == "riff") return RiffStart(t);
        if (key == ":") {
            if (context_ != InRiff) return Fail("':' continues a riff, but no riff is open");
            return Steps(t, 1, &riffs_[currentRiff_].steps);
        }
        if (key == "pattern") return PatternStart(t);
        if (key == "order") {
            for (size_t i = 1; i < t.size(); ++i) order_.push_back({t[i], line_});
            return Context(None);
        }
        if (context_ == InPattern && channelIndex_.count(key)) return ChannelLine(t);
        return Fail("unknown statement '" + key + "'");
    }

    enum ContextKind { None, InRiff, InPattern };
    bool Context(ContextKind k) {
        context_ = k;
        return true;
    }

    bool Instrument(const std::vector<std::string>& t) {
        if (t.size() < 3) return Fail("instrument needs a number and a name");
        InstrumentDef def;
        def.number = Number(t[1]);
        def.name = def.voice = t[2];
        if (def.number < 1 || def.number > 128) return Fail("instrument number must be 1..128");
        for (const InstrumentDef& other : instruments_)
            if (other.number == def.number || other.name == def.name)
                return Fail("instrument " + t[1] + " " + t[2] + " defined twice");
        for (size_t i = 3; i < t.size(); ++i) {
            const size_t eq = t[i].find('=');
            const std::string k = t[i].substr(0, eq);
            const std::string v = eq == std::string::npos ? "" : t[i].substr(eq + 1);
            if (k == "voice" && !v.empty()) {
                def.voice = v;
            } else if (k == "vol" && Number(v) >= 0 && Number(v) <= 64) {
                def.volume = Number(v);
            } else if (k == "pan" && Number(v) >= 0 && Number(v) <= 255) {
                def.panning = Number(v);
            } else {
                return Fail("bad instrument option '" + t[i] + "'");
            }
        }
        instruments_.push_back(def);
        return true;
    }

    int FindInstrument(const std::string& name) const {
        for (size_t i = 0; i < instruments_.size(); ++i)
            if (instruments_[i].name == name) return int(i);
        return -1;
    }

    bool Channels(const std::vector<std::string>& t) {
        if (!patterns_.empty()) return Fail("channels must be declared before the patterns");
        for (size_t i = 1; i < t.size(); ++i) {
            if (channelIndex_.count(t[i])) return Fail("channel '" + t[i] + "' declared twice");
            channelIndex_[t[i]] = int(channelNames_.size());
            channelNames_.push_back(t[i]);
        }
        if (channelNames_.size() > 32) return Fail("more than 32 channels");
        return true;
    }

    bool RiffStart(const std::vector<std::string>& t) {
        if (t.size() < 4 || t[3] != ":") return Fail("expected: riff NAME INSTRUMENT : STEPS");
        if (riffs_.count(t[1])) return Fail("riff '" + t[1] + "' defined twice");
        Riff riff;
        riff.instrument = FindInstrument(t[2]);
        if (riff.instrument < 0) return Fail("unknown instrument '" + t[2] + "'");
        riffs_[t[1]] = riff;
        currentRiff_ = t[1];
        context_ = InRiff;
        return Steps(t, 4, &riffs_[t[1]].steps);
    }

    bool Steps(const std::vector<std::string>& t, size_t from, std::vector<Step>* steps) {
        for (size_t i = from; i < t.size(); ++i)
            if (!ParseStep(t[i], steps)) return false;
        return true;
    }

    bool ParseStep(const std::string& token, std::vector<Step>* steps) {
        if (token.find_first_not_of(".xXo|") == std::string::npos) {
            for (char c : token) {
                Step s;
                if (c == '|') continue;
                if (c != '.') s.note = 49;
                if (c == 'x') s.kind = Step::Volume::Default;
                if (c == 'X') s.kind = Step::Volume::Accent;
                if (c == 'o') s.kind = Step::Volume::Ghost;
                steps->push_back(s);
            }
            return true;
        }
        std::string body = token;
        int rows = 1;
        const size_t slash = body.find('/');
        if (slash != std::string::npos) {
            rows = Number(body.substr(slash + 1));
            if (rows < 1 || rows > 256) return Fail("bad length in '" + token + "'");
            body.resize(slash);
        }
        Step s;
        const size_t colon = body.find(':');
        if (colon != std::string::npos) {
            s.volume = Number(body.substr(colon + 1));
            if (s.volume < 0 || s.volume > 64) return Fail("bad volume in '" + token + "'");
            s.kind = Step::Volume::Explicit;
            body.resize(colon);
        } else {
            s.kind = Step::Volume::Default;
        }
        if (body == "x" || body == "X" || body == "o") {
            s.note = 49;
            if (s.kind == Step::Volume::Default && body != "x")
                s.kind = body == "X" ? Step::Volume::Accent : Step::Volume::Ghost;
        } else if (body == "r" || body == "_") {
            s.note = body == "r" ? KeyOff : 0;
            s.kind = Step::Volume::None;
        } else {
            s.note = uint8_t(NoteNumber(body));
            if (!s.note) return Fail("bad note '" + token + "'");
        }
        steps->push_back(s);
        steps->insert(steps->end(), size_t(rows - 1), Step{});
        return true;
    }

    bool PatternStart(const std::vector<std::string>& t) {
        if (t.size() < 2) return Fail("pattern needs a name");
        if (patternIndex_.count(t[1])) return Fail("pattern '" + t[1] + "' defined twice");
        if (channelNames_.empty()) return Fail("declare the channels before the patterns");
        PatternDef p;
        size_t i = 2;
        if (i < t.size() && Number(t[i]) >= 0) {
            p.rows = Number(t[i++]);
            if (p.rows < 1 || p.rows > 256) return Fail("a pattern has 1..256 rows");
        }
        const size_t channels = channelNames_.size();
        p.cells.assign(channels, std::vector<xm::Cell>(size_t(p.rows)));
        p.used.assign(channels, 0);
        p.inherited.assign(channels, false);
        if (i + 1 < t.size() && t[i] == "from") {
            const auto base = patternIndex_.find(t[i + 1]);
            if (base == patternIndex_.end()) return Fail("unknown pattern '" + t[i + 1] + "'");
            const PatternDef& b = patterns_[base->second];
            for (size_t ch = 0; ch < channels; ++ch) {
                for (int r = 0; r < std::min(p.rows, b.rows); ++r)
                    p.cells[ch][size_t(r)] = b.cells[ch][size_t(r)];
                p.used[ch] = std::min(p.rows, b.used[ch]);
                p.inherited[ch] = true;
            }
            i += 2;
        }
        if (i != t.size()) return Fail("expected: pattern NAME [ROWS] [from BASE]");
        patternIndex_[t[1]] = patterns_.size();
        patterns_.push_back(p);
        context_ = InPattern;
        return true;
    }

    bool ChannelLine(const std::vector<std::string>& t) {
        PatternDef& p = patterns_.back();
        const size_t ch = size_t(channelIndex_[t[0]]);
        if (p.inherited[ch]) {
            p.cells[ch].assign(size_t(p.rows), xm::Cell{});
            p.used[ch] = 0;
            p.inherited[ch] = false;
        }
        for (size_t i = 1; i < t.size(); ++i) {
            if (t[i] == "-") continue; // an empty channel
            if (!PlaceRef(t[i], p, ch)) return false;
        }
        return true;
    }

    bool PlaceRef(const std::string& ref, PatternDef& p, size_t ch) {
        if (ref[0] == '~') {
            const int n = Number(ref.substr(1));
            if (n < 0) return Fail("bad gap '" + ref + "'");
            if (p.used[ch] + n > p.rows) return Overflow(p, ch, n);
            p.used[ch] += n;
            return true;
        }
        size_t at = 0;
        while (at < ref.size() && IsNameChar(ref[at])) ++at;
        const std::string name = ref.substr(0, at);
        Riff inlineRiff;
        const Riff* riff = nullptr;
        if (at < ref.size() && ref[at] == '{') {
            const size_t close = ref.find('}', at);
            if (close == std::string::npos) return Fail("missing '}' in '" + ref + "'");
            inlineRiff.instrument = FindInstrument(name);
            if (inlineRiff.instrument < 0) return Fail("unknown instrument '" + name + "'");
            if (!Steps(Tokenize(ref.substr(at + 1, close - at - 1)), 0, &inlineRiff.steps))
                return false;
            riff = &inlineRiff;
            at = close + 1;
        } else {
            const auto found = riffs_.find(name);
            if (found == riffs_.end()) return Fail("unknown riff '" + name + "'");
            riff = &found->second;
        }
        int repeat = 1, transpose = 0, scale = -1, limit = -1, instrument = riff->instrument;
        while (at < ref.size()) {
            const char op = ref[at++];
            size_t end = at;
            while (end < ref.size() && IsNameChar(ref[end])) ++end;
            const std::string arg = ref.substr(at, end - at);
            at = end;
            const int n = Number(arg);
            if (op == '*' && n >= 1) {
                repeat = n;
            } else if ((op == '+' || op == '-') && n >= 0 && n <= 95) {
                transpose = op == '+' ? n : -n;
            } else if (op == '/' && n >= 0) {
                limit = n;
            } else if (op == '@' && n >= 0 && n <= 64) {
                scale = n;
            } else if (op == '=' && FindInstrument(arg) >= 0) {
                instrument = FindInstrument(arg);
            } else {
                return Fail("bad modifier in '" + ref + "'");
            }
        }
        int rows = int(riff->steps.size()) * repeat;
        if (limit >= 0) rows = std::min(rows, limit);
        if (p.used[ch] + rows > p.rows) return Overflow(p, ch, rows);
        for (int k = 0; k < rows; ++k) {
            const Step& s = riff->steps[size_t(k) % riff->steps.size()];
            xm::Cell& cell = p.cells[ch][size_t(p.used[ch]++)];
            if (!MakeCell(s, transpose, scale, instrument, &cell)) return false;
        }
        return true;
    }

    bool Overflow(const PatternDef& p, size_t ch, int rows) {
        return Fail("channel '" + channelNames_[ch] + "' needs " +
                    std::to_string(p.used[ch] + rows) + " rows in a pattern of " +
                    std::to_string(p.rows));
    }

    static int Scaled(int volume, int scale) {
        return scale < 0 ? volume : std::min(64, (volume * scale + 32) / 64);
    }

    bool MakeCell(const Step& s, int transpose, int scale, int instrument, xm::Cell* cell) {
        if (s.note == 0) return true;
        if (s.note == KeyOff) {
            cell->note = KeyOff;
            return true;
        }
        const int note = s.note + transpose;
        if (note < 1 || note > 96) return Fail("transposed note out of range");
        cell->note = uint8_t(note);
        cell->instrument = uint8_t(instruments_[size_t(instrument)].number);
        const int def = instruments_[size_t(instrument)].volume;
        int volume = -1;
        switch (s.kind) {
        case Step::Volume::Default:
            if (scale >= 0) volume = Scaled(def, scale);
            break;
        case Step::Volume::Accent:
            volume = Scaled(std::min(64, (def * 4 + 1) / 3), scale);
            break;
        case Step::Volume::Ghost:
            volume = Scaled((def + 1) / 2, scale);
            break;
        case Step::Volume::Explicit:
            volume = Scaled(s.volume, scale);
            break;
        case Step::Volume::None:
            break;
        }
        if (volume >= 0) cell->volume = uint8_t(0x10 + volume);
        return true;
    }

    bool Finish() {
        if (order_.empty()) return Fail("the score has no order");
        xm::Module& m = *out_;
        m.channels = int(channelNames_.size() + channelNames_.size() % 2);
        if (m.channels < 2) m.channels = 2;
        m.restartPosition = 0;
        m.patterns.clear();
        m.order.clear();
        // Patterns in the order of their first use.
        std::map<std::string, int> written;
        for (const auto& [name, line] : order_) {
            const auto found = patternIndex_.find(name);
            if (found == patternIndex_.end())
                return Fail("line " + std::to_string(line) + ": unknown pattern '" + name + "'");
            if (!written.count(name)) {
                const PatternDef& def = patterns_[found->second];
                xm::Pattern pattern(def.rows, m.channels);
                for (size_t ch = 0; ch < def.cells.size(); ++ch)
                    for (int r = 0; r < def.rows; ++r)
                        pattern.at(r, int(ch)) = def.cells[ch][size_t(r)];
                written[name] = int(m.patterns.size());
                m.patterns.push_back(std::move(pattern));
            }
            m.order.push_back(uint8_t(written[name]));
        }
        if (m.order.size() > 256 || m.patterns.size() > 256)
            return Fail("more than 256 patterns or orders");
        int top = 0;
        for (const InstrumentDef& def : instruments_) top = std::max(top, def.number);
        m.instruments.assign(size_t(top), xm::Instrument{});
        for (const InstrumentDef& def : instruments_) {
            xm::Instrument ins;
            if (!voices_(def.voice, &ins)) return Fail("unknown voice '" + def.voice + "'");
            ins.name = def.name;
            for (xm::Sample& s : ins.samples) {
                s.volume = uint8_t(def.volume);
                s.panning = uint8_t(def.panning);
            }
            m.instruments[size_t(def.number - 1)] = std::move(ins);
        }
        return true;
    }

    const VoiceFactory& voices_;
    xm::Module* out_;
    int line_ = 0;
    std::string error_;
    ContextKind context_ = None;
    std::vector<InstrumentDef> instruments_;
    std::map<std::string, int> channelIndex_;
    std::vector<std::string> channelNames_;
    std::map<std::string, Riff> riffs_;
    std::string currentRiff_;
    std::map<std::string, size_t> patternIndex_;
    std::vector<PatternDef> patterns_;
    std::vector<std::pair<std::string, int>> order_;
};

} // namespace

bool ParseScore(const std::string& text, const VoiceFactory& voices, xm::Module* out,
                std::string* why) {
    xm::Module module;
    module.speed = 6;
    module.bpm = 125;
    Parser parser(voices, &module);
    if (!parser.Run(text, why)) return false;
    *out = std::move(module);
    return true;
}

} // namespace tune
