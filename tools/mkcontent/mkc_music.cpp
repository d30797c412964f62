// The soundtrack synthesiser. 120 beats a minute, a bar every two seconds, in A minor; the
// arrangement changes at the bars nearest to the show's section changes (12, 32, 56, 76, 98,
// 116, 158, 232, 252, 294 and 312 seconds), so that every section starts on a bar line with
// something new to follow. Drums, bass, pads, arpeggio and lead are small subtractive voices;
// a tempo-synced echo and a soft limiter finish the mix.
#include "tools/mkcontent/mkc_music.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "tools/common/tool_pack.h"

namespace {

constexpr double kTau = 6.283185307179586;
constexpr double kStep = 0.125;  // a sixteenth note at 120 beats a minute
constexpr int kBars = 162;

enum Kind { KICK, SNARE, CLAP, HAT, OPENHAT, BASS, PAD, ARP, LEAD, RISER };

struct Voice {
  Kind kind;
  long start, length;  // samples
  double freq;
  float amp, pan, send;  // send: share that goes to the echo
  float param;           // pad brightness, arp decay, riser length in seconds
  double phase[3] = {0, 0, 0};
  float lp1 = 0, lp2 = 0, hp = 0;
  std::uint32_t noise = 0x1234567u;
};

double midi_freq(int note) { return 440.0 * std::pow(2.0, (note - 69) / 12.0); }

float white(std::uint32_t& s) {
  s ^= s << 13;
  s ^= s >> 17;
  s ^= s << 5;
  return float(s >> 8) / 8388608.0f - 1.0f;
}

float lp_coeff(double fc) { return float(1.0 - std::exp(-kTau * fc / MKC_MUSIC_RATE)); }

float saw(double phase) { return float(2.0 * (phase - std::floor(phase)) - 1.0); }

// One sample of a voice, n samples after its start.
float voice_sample(Voice& v, long n) {
  double t = double(n) / MKC_MUSIC_RATE;
  double dur = double(v.length) / MKC_MUSIC_RATE;
  switch (v.kind) {
    case KICK: {
      double f = 45.0 + 85.0 * std::exp(-t * 28.0);
      v.phase[0] += f / MKC_MUSIC_RATE;
      float click = t < 0.004 ? white(v.noise) * float(1.0 - t / 0.004) * 0.3f : 0.0f;
      return float(std::sin(kTau * v.phase[0]) * std::exp(-t * 6.5)) + click;
    }
    case SNARE: {
      v.phase[0] += 185.0 / MKC_MUSIC_RATE;
      float tone = float(std::sin(kTau * v.phase[0]) * std::exp(-t * 28.0)) * 0.45f;
      float x = white(v.noise);
      v.lp1 += lp_coeff(5200) * (x - v.lp1);
      v.lp2 += lp_coeff(900) * (v.lp1 - v.lp2);
      return tone + (v.lp1 - v.lp2) * float(std::exp(-t * 15.0)) * 1.1f;
    }
    case CLAP: {
      double env = std::exp(-t * 20.0);
      for (double burst : {0.0, 0.011, 0.022})
        if (t >= burst && t < burst + 0.008) env = std::max(env, 1.0 - (t - burst) / 0.008);
      float x = white(v.noise);
      v.lp1 += lp_coeff(2600) * (x - v.lp1);
      v.lp2 += lp_coeff(700) * (v.lp1 - v.lp2);
      return (v.lp1 - v.lp2) * float(env) * 1.4f;
    }
    case HAT:
    case OPENHAT: {
      float x = white(v.noise);
      v.lp1 += lp_coeff(7000) * (x - v.lp1);
      float high = x - v.lp1;
      return high * float(std::exp(-t * (v.kind == HAT ? 55.0 : 9.0))) * 0.6f;
    }
    case BASS: {
      v.phase[0] += v.freq / MKC_MUSIC_RATE;
      float osc = saw(v.phase[0]) * 0.55f + float(std::sin(kTau * v.phase[0] * 0.5)) * 0.6f;
      double fc = 160.0 + 1100.0 * std::exp(-t * 9.0);
      v.lp1 += lp_coeff(fc) * (osc - v.lp1);
      v.lp2 += lp_coeff(fc) * (v.lp1 - v.lp2);
      double env = std::min(1.0, t / 0.004) * (0.75 + 0.25 * std::exp(-t * 6.0)) * std::min(1.0, (dur - t) / 0.03);
      return v.lp2 * float(env);
    }
    case PAD: {
      float osc = 0.0f;
      const double detune[3] = {0.994, 1.0, 1.0065};
      for (int i = 0; i < 3; i++) {
        v.phase[i] += v.freq * detune[i] / MKC_MUSIC_RATE;
        osc += saw(v.phase[i]);
      }
      double fc = v.param * (0.8 + 0.2 * std::sin(t * 1.3));
      v.lp1 += lp_coeff(fc) * (osc / 3.0f - v.lp1);
      v.lp2 += lp_coeff(fc) * (v.lp1 - v.lp2);
      double env = std::min(1.0, t / 0.7) * std::min(1.0, (dur - t) / 1.4);
      return v.lp2 * float(env);
    }
    case ARP: {
      v.phase[0] += v.freq / MKC_MUSIC_RATE;
      double ph = v.phase[0] - std::floor(v.phase[0]);
      float osc = ph < 0.3 ? 1.0f : -0.45f;
      v.lp1 += lp_coeff(500.0 + 2600.0 * std::exp(-t * 12.0)) * (osc - v.lp1);
      return v.lp1 * float(std::exp(-t * v.param)) * float(std::min(1.0, t / 0.002));
    }
    case LEAD: {
      double vib = t > 0.2 ? 1.0 + 0.006 * std::sin(kTau * 5.2 * t) : 1.0;
      v.phase[0] += v.freq * vib / MKC_MUSIC_RATE;
      v.phase[1] += v.freq * vib * 1.004 / MKC_MUSIC_RATE;
      float osc = saw(v.phase[0]) * 0.4f + saw(v.phase[1]) * 0.3f + float(std::sin(kTau * v.phase[0])) * 0.5f;
      v.lp1 += lp_coeff(2400) * (osc - v.lp1);
      double env = std::min(1.0, t / 0.02) * std::min(1.0, (dur - t) / 0.15);
      return v.lp1 * float(env);
    }
    case RISER: {
      double k = t / dur;
      float x = white(v.noise);
      double fc = 300.0 + 5200.0 * k * k;
      v.lp1 += lp_coeff(fc) * (x - v.lp1);
      v.lp2 += lp_coeff(fc * 0.5) * (v.lp1 - v.lp2);
      return (v.lp1 - v.lp2) * float(k * k) * 1.5f;
    }
  }
  return 0.0f;
}

struct Chord {
  int notes[3];
  int root;  // bass note
};
constexpr Chord kAm = {{57, 60, 64}, 33}, kF = {{53, 57, 60}, 29}, kC = {{55, 60, 64}, 36}, kG = {{55, 59, 62}, 31},
                kDm = {{53, 57, 62}, 26}, kE = {{52, 56, 59}, 28};
constexpr Chord kProgressionA[4] = {kAm, kF, kC, kG};
constexpr Chord kProgressionB[4] = {kDm, kAm, kF, kE};

// What plays in a bar.
struct Part {
  int kick;  // 0 none, 1 four to the floor, 2 half time, 3 broken beat
  bool snare, clap, hats, openhats, bass;
  float pad;  // pad filter cutoff in Hz, 0 for none
  float arp;  // arpeggio level
  int lead;   // 0 none, 1 theme, 2 answer
  bool dark;  // second progression
  int leadOctave;
};

Part part_of(int bar) {
  Part p{0, false, false, false, false, false, 0.0f, 0.0f, 0, false, 0};
  if (bar < 6) {  // intro, 0 to 12 s
    p.pad = 500.0f + 150.0f * float(bar);
    p.arp = bar >= 3 ? 0.12f : 0.0f;
  } else if (bar < 16) {  // group and logo, to 32 s
    p = {1, false, false, true, false, true, 1400.0f, 0.1f, 0, false, 0};
  } else if (bar < 28) {  // clock landscape, to 56 s
    p = {1, false, true, true, true, true, 1800.0f, 0.18f, 1, false, 0};
  } else if (bar < 38) {  // shadows, to 76 s
    p = {1, true, false, true, false, true, 1000.0f, 0.16f, 0, true, 0};
  } else if (bar < 49) {  // sphere, to 98 s
    p = {2, false, false, false, true, false, 2200.0f, 0.2f, 2, false, 0};
  } else if (bar < 58) {  // dj clip, to 116 s
    p = {3, true, true, true, false, true, 1200.0f, 0.08f, 0, true, 0};
  } else if (bar < 79) {  // weird hall, to 158 s
    p = {1, true, true, true, true, true, 1700.0f, 0.16f, 1, false, 0};
  } else if (bar < 116) {  // lens scroll, to 232 s: calm, building again from bar 100
    bool build = bar >= 100;
    p = {build ? 1 : 0, false, build, true, false, build, 2000.0f, 0.2f, 2, false, 0};
  } else if (bar < 126) {  // street clips, to 252 s
    p = {1, true, true, true, true, true, 1500.0f, 0.22f, 0, true, 0};
  } else if (bar < 147) {  // box flight, to 294 s
    p = {1, true, true, true, true, true, 2400.0f, 0.2f, 1, false, 12};
  } else if (bar < 156) {  // greetings, to 312 s
    p = {bar < 152 ? 2 : 0, false, false, bar < 152, false, bar < 154, 1600.0f, 0.14f, 2, false, 0};
  } else {  // the tail
    p.pad = 900.0f;
  }
  return p;
}

// Lead phrases over four bars: (eighth within the phrase, note, length in eighths).
struct Note {
  int at, note, len;
};
constexpr Note kTheme[] = {{0, 76, 2},  {2, 74, 1},  {3, 72, 1},  {4, 69, 3},  {7, 72, 1},  {8, 72, 2},
                           {10, 69, 1}, {11, 67, 1}, {12, 65, 4}, {16, 67, 2}, {18, 76, 2}, {20, 74, 1},
                           {21, 72, 3}, {24, 71, 2}, {26, 74, 2}, {28, 79, 4}};
constexpr Note kAnswer[] = {{0, 69, 4},  {4, 72, 2},  {6, 76, 2},  {8, 77, 6},  {14, 76, 2},
                            {16, 79, 4}, {20, 76, 2}, {22, 74, 2}, {24, 74, 4}, {28, 71, 4}};
constexpr Note kDarkTheme[] = {{0, 74, 3},  {3, 77, 1},  {4, 76, 4},  {8, 72, 2},  {10, 69, 2}, {12, 72, 4},
                               {16, 69, 3}, {19, 72, 1}, {20, 71, 4}, {24, 68, 4}, {28, 71, 4}};

bool is_riser_bar(int bar) { return bar == 4 || bar == 14 || bar == 114 || bar == 124 || bar == 145; }

}  // namespace

std::vector<std::int16_t> MKC_RenderSoundtrack(void) {
  const long total = long(MKC_MUSIC_SECONDS * MKC_MUSIC_RATE);
  std::vector<Voice> voices;
  auto at = [](double seconds) { return long(seconds * MKC_MUSIC_RATE + 0.5); };
  auto add = [&](Kind kind, double time, double length, double freq, float amp, float pan, float send, float param) {
    Voice v{kind, at(time), at(length), freq, amp, pan, send, param};
    v.noise = 0x9E3779B9u ^ std::uint32_t(voices.size() * 2654435761u);
    voices.push_back(v);
  };
  for (int bar = 0; bar < kBars; bar++) {
    Part p = part_of(bar);
    const Chord& chord = (p.dark ? kProgressionB : kProgressionA)[bar % 4];
    double t0 = bar * 2.0;
    if (p.pad > 0.0f)
      for (int i = 0; i < 3; i++)
        add(PAD, t0, 3.4, midi_freq(chord.notes[i]), 0.16f, -0.5f + 0.5f * float(i), 0.1f, p.pad);
    for (int s = 0; s < 16; s++) {
      double t = t0 + s * kStep;
      bool beat = s % 4 == 0;
      if ((p.kick == 1 && beat) || (p.kick == 2 && (s == 0 || s == 8)) ||
          (p.kick == 3 && (s == 0 || s == 6 || s == 10 || (s == 13 && bar % 2))))
        add(KICK, t, 0.5, 0, 0.95f, 0.0f, 0.0f, 0);
      if (p.snare && (s == 4 || s == 12)) add(SNARE, t, 0.35, 0, 0.5f, 0.05f, 0.15f, 0);
      if (p.clap && (s == 4 || s == 12)) add(CLAP, t + 0.004, 0.3, 0, 0.35f, -0.1f, 0.25f, 0);
      if (p.hats && s % 4 == 2) add(HAT, t, 0.1, 0, 0.3f, 0.3f, 0.0f, 0);
      if (p.hats && p.kick == 1 && s % 2 == 1) add(HAT, t, 0.08, 0, 0.12f, -0.3f, 0.0f, 0);
      if (p.openhats && s == 14) add(OPENHAT, t, 0.4, 0, 0.18f, 0.35f, 0.1f, 0);
      if (p.bass && s % 2 == 0) {
        static const int octave[8] = {0, 0, 12, 0, 0, 12, 0, 7};
        add(BASS, t, kStep * 1.8, midi_freq(chord.root + octave[(s / 2) % 8]), 0.42f, 0.0f, 0.0f, 0);
      }
      if (p.arp > 0.0f) {
        static const int order[8] = {0, 1, 2, 3, 4, 3, 2, 1};
        int k = order[s % 8];
        int note = chord.notes[k % 3] + 12 * (k / 3) + 12;
        add(ARP, t, 0.45, midi_freq(note), p.arp, (s % 2) ? 0.45f : -0.45f, 0.35f, 9.0f);
      }
    }
    if (p.lead && bar % 4 == 0) {
      const Note* phrase = p.lead == 1 ? (p.dark ? kDarkTheme : kTheme) : kAnswer;
      std::size_t count = p.lead == 1 ? (p.dark ? std::size(kDarkTheme) : std::size(kTheme)) : std::size(kAnswer);
      for (std::size_t i = 0; i < count; i++)
        add(LEAD, t0 + phrase[i].at * 0.25, phrase[i].len * 0.25, midi_freq(phrase[i].note + p.leadOctave), 0.16f, 0.1f,
            0.3f, 0);
    }
    if (is_riser_bar(bar)) add(RISER, t0, 4.0, 0, 0.25f, 0.0f, 0.2f, 0);
  }

  // Mix a second at a time, so memory stays small: voices join when they start and leave when
  // they end.
  std::stable_sort(voices.begin(), voices.end(), [](const Voice& a, const Voice& b) { return a.start < b.start; });
  const long chunk = MKC_MUSIC_RATE;
  const long delay = at(0.375);  // echo of a dotted eighth, crossing sides, darker on each repeat
  const std::size_t chunkSize = std::size_t(chunk);
  std::vector<float> left(chunkSize), right(chunkSize), sendL(chunkSize), sendR(chunkSize);
  std::vector<float> ringL(std::size_t(delay), 0.0f), ringR(std::size_t(delay), 0.0f);
  float dl = 0.0f, dr = 0.0f;
  std::vector<std::size_t> active;
  std::size_t next = 0;
  std::vector<std::int16_t> out(std::size_t(total) * 2);
  for (long c0 = 0; c0 < total; c0 += chunk) {
    long c1 = std::min(total, c0 + chunk);
    std::fill(left.begin(), left.end(), 0.0f);
    std::fill(right.begin(), right.end(), 0.0f);
    std::fill(sendL.begin(), sendL.end(), 0.0f);
    std::fill(sendR.begin(), sendR.end(), 0.0f);
    while (next < voices.size() && voices[next].start < c1) active.push_back(next++);
    for (std::size_t i : active) {
      Voice& v = voices[i];
      float pl = float(std::cos((v.pan + 1.0) * kTau / 8.0)), pr = float(std::sin((v.pan + 1.0) * kTau / 8.0));
      for (long n = std::max(c0, v.start); n < std::min(c1, v.start + v.length); n++) {
        float x = voice_sample(v, n - v.start) * v.amp;
        std::size_t k = std::size_t(n - c0);
        left[k] += x * pl;
        right[k] += x * pr;
        sendL[k] += x * pl * v.send;
        sendR[k] += x * pr * v.send;
      }
    }
    std::erase_if(active, [&](std::size_t i) { return voices[i].start + voices[i].length <= c1; });
    for (long n = c0; n < c1; n++) {
      std::size_t k = std::size_t(n - c0), r = std::size_t(n % delay);
      float oldL = ringL[r], oldR = ringR[r];
      dl += 0.35f * (sendL[k] + oldR * 0.45f - dl);
      dr += 0.35f * (sendR[k] + oldL * 0.45f - dr);
      ringL[r] = dl;
      ringR[r] = dr;
      double t = double(n) / MKC_MUSIC_RATE;
      float fade = float(std::min(1.0, t / 0.5) * std::min(1.0, (MKC_MUSIC_SECONDS - t) / 8.0));
      out[std::size_t(2 * n)] = std::int16_t(std::lround(std::tanh((left[k] + oldL) * 0.8f) * fade * 30000.0f));
      out[std::size_t(2 * n + 1)] = std::int16_t(std::lround(std::tanh((right[k] + oldR) * 0.8f) * fade * 30000.0f));
    }
  }
  return out;
}

bool MKC_WriteWav(const std::string& path, const std::vector<std::int16_t>& stereo, int rate) {
  std::vector<std::uint8_t> f;
  auto put = [&](std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; i++) f.push_back(std::uint8_t(v >> (8 * i)));
  };
  std::uint32_t data = std::uint32_t(stereo.size() * 2);
  f.insert(f.end(), {'R', 'I', 'F', 'F'});
  put(36 + data, 4);
  f.insert(f.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  put(16, 4);
  put(1, 2);  // PCM
  put(2, 2);  // stereo
  put(std::uint32_t(rate), 4);
  put(std::uint32_t(rate) * 4, 4);
  put(4, 2);
  put(16, 2);
  f.insert(f.end(), {'d', 'a', 't', 'a'});
  put(data, 4);
  for (std::int16_t s : stereo) put(std::uint16_t(s), 2);
  return TOOL_WriteFile(path, f);
}
