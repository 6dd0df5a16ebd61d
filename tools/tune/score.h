// Reads the tune's score, a small text notation, into a tracker module.
//
// Statements, one a line ('#' at the start of a word begins a comment):
//   title TEXT            module name
//   speed N / bpm N       ticks per row, tempo
//   instrument N NAME [voice=V] [vol=0..64] [pan=0..255]
//                         instrument number N (1..128) plays voice V (default: NAME)
//   channels NAME...      channel names, in order (may repeat to add more)
//   riff NAME INST : STEPS...
//     : STEPS...          continues the riff on the next line
//   pattern NAME [ROWS] [from BASE]
//     CHANNEL REF...      the channel's rows, refs placed one after another; a later line for
//                         the same channel continues it; a pattern made from BASE starts with
//                         BASE's channels, and a channel named here replaces BASE's ('-'
//                         alone leaves it empty)
//   order NAME...         the pattern order (may repeat to add more)
//
// Steps: a grid token of '.' (nothing), 'x' (note at the default volume), 'X' (accent, 4/3 of
// it), 'o' (ghost, half of it), one row each ('|' is ignored); or a note token
// NOTE[:VOLUME][/ROWS] where NOTE is a name like C4, F#3, Bb2 (C4 = the tracker's C-4), x, X or o
// (C4 as in a grid), 'r' (key-off) or '_' (nothing); ROWS defaults to 1.
// Refs: RIFF, or INST{STEPS...} inline, or ~N (N empty rows); each may be followed by *N
// (repeat), +N or -N (transpose), @N (volumes times N/64), =INST (another instrument), /N (only
// the first N rows).
#pragma once

#include <functional>
#include <string>

#include "xm/xm_writer.h"

namespace tune {

// Builds the instrument of a named voice; false when there is no such voice.
using VoiceFactory = std::function<bool(const std::string& voice, xm::Instrument* out)>;

// Parses `text` into `out`. On failure returns false and sets `why` to "line N: reason".
bool ParseScore(const std::string& text, const VoiceFactory& voices, xm::Module* out,
                std::string* why);

} // namespace tune
