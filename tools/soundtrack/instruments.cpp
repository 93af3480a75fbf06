// The soundtrack's instruments, synthesised sample by sample.
#include "tools/soundtrack/instruments.h"

#include "tools/soundtrack/synth.h"

namespace soundtrack {
namespace {

using synth::Shape;
using synth::Tone;
using synth::Voice;

constexpr int kRate = 44100;

void add(itw::Song& song, itw::Sample sample, int globalVolume, itw::Envelope envelope = {},
         itw::NewNoteAction nna = itw::NewNoteAction::Cut, int fadeout = 0) {
  itw::Instrument& in = song.instruments.emplace_back();
  in.name = sample.name;
  in.sample = static_cast<int>(song.samples.size()) + 1;
  in.globalVolume = globalVolume;
  in.volumeEnvelope = std::move(envelope);
  in.newNoteAction = nna;
  in.fadeout = fadeout;
  song.samples.push_back(std::move(sample));
}

// A second instrument on the sample just added: the same sound, another envelope.
void alias(itw::Song& song, const std::string& name, int globalVolume, itw::Envelope envelope) {
  itw::Instrument in = song.instruments.back();
  in.name = name;
  in.globalVolume = globalVolume;
  in.volumeEnvelope = std::move(envelope);
  song.instruments.push_back(std::move(in));
}

itw::Sample drum(const std::string& name, std::vector<double> wave) {
  synth::scaleToPeak(wave, 0.95);
  return synth::makeSample(name, wave, kRate);
}

// A looped tone whose fundamental is `hz`, tuned so that notes play at pitch.
itw::Sample tone(const std::string& name, const Tone& spec, std::vector<double> wave, double hz) {
  synth::scaleToPeak(wave, 0.95);
  itw::Sample s = synth::makeSample(name, wave, spec.rate);
  s.c5Speed = synth::c5SpeedFor(spec.rate, hz);
  s.loop = true;
  s.loopStart = synth::loopStart(spec);
  s.loopEnd = static_cast<std::uint32_t>(wave.size());
  return s;
}

// A melody voice: the looped tone of `spec` alone, with IT's auto-vibrato
// (speed, depth, and the sweep over which it sets in).
itw::Sample voice(const std::string& name, const Tone& spec, double hz, int speed, int depth, int sweep) {
  itw::Sample s = tone(name, spec, synth::renderTone(spec), hz);
  s.vibratoSpeed = speed;
  s.vibratoDepth = depth;
  s.vibratoSweep = sweep;
  return s;
}

// A sustained chord: a plain low root under three detuned saws per upper note,
// and a faint copy two octaves up for air. Played on C-5 it sounds as written.
itw::Sample chord(const std::string& name, const std::vector<int>& notes) {
  const int root = notes.front();
  const std::vector<int> upper(notes.begin() + 1, notes.end());
  Tone spec;
  spec.loopSeconds = 2;
  spec.brightHz = spec.darkHz = 9000;
  spec.voices.push_back({synth::noteHz(root), 0.6});
  for (int n : upper) {
    const double hz = synth::noteHz(n);
    spec.voices.push_back({hz - 1, 0.5});
    spec.voices.push_back({hz, 1.0});
    spec.voices.push_back({hz + 1, 0.5});
    spec.voices.push_back({4 * hz + 1, 0.2});
  }
  std::vector<double> wave = synth::renderTone(spec);
  synth::scaleToRms(wave, 0.2);
  itw::Sample s = synth::makeSample(name, wave, spec.rate);
  s.loop = true;
  s.loopEnd = static_cast<std::uint32_t>(wave.size());
  return s;
}

int n(const char* name) { return itw::note(name); }

}  // namespace

std::vector<int> padChord(int instrument) {
  switch (instrument) {
    case PadAm: return {n("A-3"), n("A-4"), n("C-5"), n("E-5")};
    case PadF: return {n("F-3"), n("A-4"), n("C-5"), n("F-5")};
    case PadC: return {n("C-4"), n("G-4"), n("C-5"), n("E-5")};
    case PadG: return {n("G-3"), n("G-4"), n("B-4"), n("D-5")};
    case PadEm: return {n("E-3"), n("G-4"), n("B-4"), n("E-5")};
    case PadE: return {n("E-3"), n("G#4"), n("B-4"), n("E-5")};
    case PadFmaj7: return {n("F-3"), n("A-4"), n("C-5"), n("E-5")};
    case PadAmWide: return {n("A-3"), n("E-4"), n("A-4"), n("C-5"), n("E-5"), n("A-5")};
    default: return {};
  }
}

void addInstruments(itw::Song& song) {
  using itw::NewNoteAction;
  {  // The envelope holds the kick while it sounds, then falls to a whisper
     // over the silent loop: the channel's level sinks between beats without
     // ever reaching zero. Half the instrument volume keeps its peak level
     // well short of full scale; the sample's own level sets its loudness.
    std::vector<double> wave = synth::kick();
    synth::scaleToPeak(wave, 0.95);
    itw::Sample s = synth::makeSample("Kick", wave, kRate);
    s.loop = true;
    s.loopEnd = static_cast<std::uint32_t>(s.pcm16.size());
    s.loopStart = s.loopEnd - synth::kKickTail;
    add(song, s, 64, {{{0, 64}, {8, 64}, {15, 6}}});
  }
  add(song, drum("Snare", synth::snare()), 60);
  add(song, drum("Clap", synth::clap()), 70);
  add(song, drum("Hat closed", synth::hat(0.09)), 80);
  add(song, drum("Hat open", synth::hat(0.5)), 66);
  add(song, drum("Tom", synth::tom()), 64);
  add(song, drum("Crash", synth::crash()), 64);
  add(song, drum("Riser", synth::riser(kRiserFrames)), 56);
  add(song, drum("Sweep down", synth::downer(kRate * 2)), 64);

  {  // plucked saw bass over a sine sub, A-2
    Tone saw;
    saw.voices = {{55, 1.0}};
    saw.maxHz = 5000;
    saw.brightHz = 3000;
    saw.darkHz = 500;
    saw.attackSeconds = 0.25;
    Tone sub = saw;
    sub.voices = {{55, 0.7}};
    sub.maxHz = 60;
    sub.randomPhase = false;
    std::vector<double> wave = synth::renderTone(saw);
    const std::vector<double> low = synth::renderTone(sub);
    for (std::size_t i = 0; i < wave.size(); ++i) wave[i] += low[i];
    // Held until note off, then gone in two ticks, so the kick's rows stay
    // clear; the short one ends by itself within a row.
    add(song, tone("Bass", saw, wave, 55), 80, {{{0, 64}, {2, 56}, {4, 0}}, 1});
    alias(song, "Bass short", 80, {{{0, 64}, {2, 56}, {4, 0}}});
  }
  {  // three detuned saws, A-5, open enough to cut through at 2-5 kHz
    const Tone lead{.voices = {{438, 0.6}, {440, 1.0}, {442, 0.6}}, .brightHz = 10000, .darkHz = 6000, .attackSeconds = 0.12};
    add(song, voice("Lead", lead, 440, 10, 6, 24), 80, {{{0, 64}, {6, 56}, {20, 0}}, 1});
  }
  {  // the same an octave up, for the climax
    const Tone lead{.voices = {{877, 0.6}, {880, 1.0}, {883, 0.6}},
                    .brightHz = 10000, .darkHz = 7000, .attackSeconds = 0.1};
    add(song, voice("Lead high", lead, 880, 10, 6, 24), 84, {{{0, 64}, {6, 56}, {20, 0}}, 1});
  }
  {  // pulse pluck, A-5
    const Tone arp{.voices = {{440, 1.0}}, .shape = Shape::Pulse25, .brightHz = 8000, .darkHz = 5000, .attackSeconds = 0.05};
    add(song, tone("Arp", arp, synth::renderTone(arp), 440), 88, {{{0, 64}, {2, 48}, {8, 20}, {16, 6}, {24, 0}}});
  }
  {  // hollow square with a plucked front, A-5: the credits' tune and counter-lines
    const Tone pluck{.voices = {{440, 1.0}, {441, 0.4}},
                     .shape = Shape::Square, .brightHz = 9000, .darkHz = 4500, .attackSeconds = 0.08};
    add(song, voice("Pluck", pluck, 440, 8, 4, 16), 88, {{{0, 64}, {4, 46}, {24, 32}, {28, 0}}, 2});
  }

  // Pads: slow attack, held until note off, then a slow release; a new chord
  // lets the old one release underneath.
  const itw::Envelope padEnvelope{{{0, 0}, {30, 64}, {70, 0}}, 1};
  const NewNoteAction overlap = NewNoteAction::NoteOff;
  const char* const names[] = {"Pad Am", "Pad F", "Pad C", "Pad G", "Pad Em", "Pad E", "Pad Fmaj7", "Pad Am wide"};
  for (int pad = PadAm; pad <= PadAmWide; ++pad) add(song, chord(names[pad - PadAm], padChord(pad)), 112, padEnvelope, overlap, 64);
  add(song, drum("Ride", synth::ride()), 50);
}

}  // namespace soundtrack
