// Video object layer and VOP headers.
#include "clip/dec_state.h"

namespace {

// Skips the fields a set vol_control_parameters announces: chroma format, low delay and,
// when present, the VBV parameters.
void SkipVolControl(DEC_Bits* b) {
  DEC_BitsSkip(b, 2 + 1);  // chroma_format, low_delay
  if (DEC_BitsRead1(b)) {
    // first/latter half bit rate, buffer size and occupancy, with their markers
    DEC_BitsSkip(b, 15 + 1 + 15 + 1 + 15 + 1 + 3 + 11 + 1 + 15 + 1);
  }
}

int TimeBits(int resolution) {
  int bits = 1;
  while ((1 << bits) < resolution) ++bits;
  return bits;
}

}  // namespace

int DEC_ParseVol(DEC_Bits* b, DEC_Vol* vol) {
  DEC_BitsSkip(b, 1 + 8);  // random_accessible_vol, video_object_type_indication
  vol->verid = 1;
  if (DEC_BitsRead1(b)) {  // is_object_layer_identifier
    vol->verid = static_cast<int>(DEC_BitsRead(b, 4));
    DEC_BitsSkip(b, 3);  // priority
  }
  if (DEC_BitsRead(b, 4) == 15) DEC_BitsSkip(b, 16);  // aspect ratio, extended: par width, height
  if (DEC_BitsRead1(b)) SkipVolControl(b);
  vol->shape = static_cast<int>(DEC_BitsRead(b, 2));
  DEC_BitsSkip(b, 1);
  vol->timeResolution = static_cast<int>(DEC_BitsRead(b, 16));
  DEC_BitsSkip(b, 1);
  if (vol->timeResolution == 0) return DEC_RESULT_REFUSED;
  vol->timeBits = TimeBits(vol->timeResolution);
  if (DEC_BitsRead1(b)) DEC_BitsSkip(b, vol->timeBits);  // fixed_vop_rate, increment
  if (vol->shape != 0) return DEC_RESULT_REFUSED;       // only rectangular VOPs are decoded
  DEC_BitsSkip(b, 1);
  vol->width = static_cast<int>(DEC_BitsRead(b, 13));
  DEC_BitsSkip(b, 1);
  vol->height = static_cast<int>(DEC_BitsRead(b, 13));
  DEC_BitsSkip(b, 1);
  vol->interlaced = DEC_BitsRead1(b);
  DEC_BitsSkip(b, 1);  // obmc_disable
  vol->sprite = static_cast<int>(DEC_BitsRead(b, vol->verid == 1 ? 1 : 2));
  if (vol->sprite) return DEC_RESULT_REFUSED;
  vol->quantPrecision = 5;
  vol->bitsPerPixel = 8;
  if (DEC_BitsRead1(b)) {  // not_8_bit
    vol->quantPrecision = static_cast<int>(DEC_BitsRead(b, 4));
    vol->bitsPerPixel = static_cast<int>(DEC_BitsRead(b, 4));
    if (vol->quantPrecision < 3 || vol->quantPrecision > 9) return DEC_RESULT_REFUSED;
  }
  vol->quantType = DEC_BitsRead1(b);
  // MPEG quantisation: its matrices follow and the decoder has no such inverse quantiser.
  if (vol->quantType) return DEC_EXIT_MPEG_QUANT;
  vol->quarterSample = vol->verid != 1 ? DEC_BitsRead1(b) : 0;
  vol->complexityDisable = DEC_BitsRead1(b);
  // The estimation header that would follow is not parsed; every VOP of such a layer carries
  // estimation fields the decoder cannot read.
  if (!vol->complexityDisable) return DEC_EXIT_COMPLEXITY;
  DEC_BitsSkip(b, 1);  // resync_marker_disable
  if (DEC_BitsRead1(b)) return DEC_EXIT_DATA_PARTITIONED;
  if (vol->verid != 1) {
    if (DEC_BitsRead1(b)) DEC_BitsSkip(b, 3);  // newpred_enable, its message and segment types
    DEC_BitsSkip(b, 1);                        // reduced_resolution_vop_enable
  }
  if (DEC_BitsRead1(b)) return DEC_EXIT_SCALABILITY;
  // Quarter-sample motion is outside simple profile.
  if (vol->quarterSample || DEC_BitsOver(b)) return DEC_RESULT_REFUSED;
  return 0;
}

int DEC_ParseVop(DEC_Bits* b, int* coded) {
  DEC_State& s = DEC_state;
  DEC_BitsAlign(b);
  // A group-of-VOP header in front of the VOP is passed over.
  if (DEC_BitsPeek(b, 32) == 0x000001B3) {
    DEC_BitsSkip(b, 32 + 18 + 2);
    DEC_BitsAlign(b);
  }
  if (DEC_BitsRead(b, 32) != 0x000001B6) return DEC_RESULT_REFUSED;
  const int type = static_cast<int>(DEC_BitsRead(b, 2));
  if (type != DEC_VOP_I && type != DEC_VOP_P) return DEC_RESULT_REFUSED;
  for (int n = 0; DEC_BitsRead1(b); ++n)  // modulo_time_base
    if (n > 64) return DEC_RESULT_REFUSED;
  DEC_BitsSkip(b, 1 + s.vol.timeBits + 1);  // marker, vop_time_increment, marker
  *coded = DEC_BitsRead1(b);
  if (!*coded) {
    DEC_BitsAlign(b);
    return 0;
  }
  const int rounding = type == DEC_VOP_P ? DEC_BitsRead1(b) : 0;
  if (!s.vol.complexityDisable) return DEC_EXIT_COMPLEXITY;
  DEC_BitsSkip(b, 3);  // intra_dc_vlc_thr: DC is always coded with the size codes
  if (s.vol.interlaced) return DEC_EXIT_INTERLACED;
  const int quant = static_cast<int>(DEC_BitsRead(b, s.vol.quantPrecision));
  const int fcode = type == DEC_VOP_P ? static_cast<int>(DEC_BitsRead(b, 3)) : 1;
  if (quant < 1 || quant > 31 || fcode < 1 || DEC_BitsOver(b)) return DEC_RESULT_REFUSED;
  s.codingType = type;
  s.rounding = rounding;
  s.quant = quant;
  s.fcode = fcode;
  return 0;
}
