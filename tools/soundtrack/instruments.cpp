#include "tools/soundtrack/instruments.h"

#include "tools/soundtrack/synth.h"

namespace soundtrack {
namespace {

using synth::Shape;
using synth::Tone;
using synth::Voice;

constexpr int kDrumRate = 44100;
constexpr int kToneRate = 22050;

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

itw::Sample drum(const std::string& name, std::vector<double> wave) {
  synth::scaleToPeak(wave, 0.95);
  return synth::makeSample(name, wave, kDrumRate);
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

// A sustained chord: a plain low root under three detuned saws per upper note.
// Played on C-5 it sounds as written.
itw::Sample chord(const std::string& name, int root, std::vector<int> upper) {
  Tone spec;
  spec.rate = kToneRate;
  spec.loopSeconds = 2;
  spec.maxHz = 8000;
  spec.brightHz = spec.darkHz = 1800;
  spec.voices.push_back({synth::noteHz(root), 0.6});
  for (int n : upper) {
    const double hz = synth::noteHz(n);
    spec.voices.push_back({hz - 1, 0.5});
    spec.voices.push_back({hz, 1.0});
    spec.voices.push_back({hz + 1, 0.5});
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

void addInstruments(itw::Song& song) {
  using itw::NewNoteAction;
  add(song, drum("Kick", synth::kick()), 80);
  add(song, drum("Snare", synth::snare()), 128);
  add(song, drum("Clap", synth::clap()), 128);
  add(song, drum("Hat closed", synth::hat(0.09)), 120);
  add(song, drum("Hat open", synth::hat(0.5)), 100);
  add(song, drum("Tom", synth::tom()), 100);
  add(song, drum("Crash", synth::crash()), 64);
  add(song, drum("Riser", synth::riser(kRiserFrames)), 56);
  add(song, drum("Sweep down", synth::downer(kDrumRate * 2)), 64);

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
    add(song, tone("Bass", saw, wave, 55), 84, {{{0, 64}, {4, 60}, {40, 48}, {46, 0}}, 2});
  }
  {  // three detuned saws, A-5
    Tone lead;
    lead.voices = {{438, 0.6}, {440, 1.0}, {442, 0.6}};
    lead.brightHz = 6000;
    lead.darkHz = 3000;
    lead.attackSeconds = 0.12;
    itw::Sample s = tone("Lead", lead, synth::renderTone(lead), 440);
    s.vibratoSpeed = 10;
    s.vibratoDepth = 6;
    s.vibratoSweep = 24;
    add(song, s, 80, {{{0, 64}, {6, 56}, {20, 0}}, 1});
  }
  {  // the same an octave up, for the climax
    Tone lead;
    lead.voices = {{877, 0.6}, {880, 1.0}, {883, 0.6}};
    lead.maxHz = 10000;
    lead.brightHz = 7000;
    lead.darkHz = 4000;
    lead.attackSeconds = 0.1;
    itw::Sample s = tone("Lead high", lead, synth::renderTone(lead), 880);
    s.vibratoSpeed = 10;
    s.vibratoDepth = 6;
    s.vibratoSweep = 24;
    add(song, s, 96, {{{0, 64}, {6, 56}, {20, 0}}, 1});
  }
  {  // pulse pluck, A-5
    Tone arp;
    arp.voices = {{440, 1.0}};
    arp.shape = Shape::Pulse25;
    arp.brightHz = 5000;
    arp.darkHz = 2500;
    arp.attackSeconds = 0.05;
    add(song, tone("Arp", arp, synth::renderTone(arp), 440), 72, {{{0, 64}, {2, 48}, {8, 20}, {16, 6}, {24, 0}}});
  }

  // Pads: slow attack, held until note off, then a slow release; a new chord
  // lets the old one release underneath.
  const itw::Envelope pad{{{0, 0}, {30, 64}, {70, 0}}, 1};
  const NewNoteAction overlap = NewNoteAction::NoteOff;
  add(song, chord("Pad Am", n("A-3"), {n("A-4"), n("C-5"), n("E-5")}), 120, pad, overlap, 64);
  add(song, chord("Pad F", n("F-3"), {n("A-4"), n("C-5"), n("F-5")}), 120, pad, overlap, 64);
  add(song, chord("Pad C", n("C-4"), {n("G-4"), n("C-5"), n("E-5")}), 120, pad, overlap, 64);
  add(song, chord("Pad G", n("G-3"), {n("G-4"), n("B-4"), n("D-5")}), 120, pad, overlap, 64);
  add(song, chord("Pad Em", n("E-3"), {n("G-4"), n("B-4"), n("E-5")}), 120, pad, overlap, 64);
  add(song, chord("Pad E", n("E-3"), {n("G#4"), n("B-4"), n("E-5")}), 120, pad, overlap, 64);
  add(song, chord("Pad Fmaj7", n("F-3"), {n("A-4"), n("C-5"), n("E-5")}), 120, pad, overlap, 64);
  add(song, chord("Pad Am wide", n("A-3"), {n("E-4"), n("A-4"), n("C-5"), n("E-5"), n("A-5")}), 120, pad, overlap, 64);
}

}  // namespace soundtrack
