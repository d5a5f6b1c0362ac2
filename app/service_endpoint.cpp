#include "app/synthesis.h"

const char SYNTH_ENDPOINT[] = "https://" TTS_SERVICE_HOST "/functions/tts/text";
