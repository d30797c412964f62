// AVX2 variants of the hot routines.
#include "clip/dec_dsp.h"

const DEC_Dsp* DEC_DspAvx2(void) { return nullptr; }
