// The build's configuration key, alone in its file: a build that checks with another key (the
// installer's configuration tests) links its own definition instead of this one.
#include "installer/config_signature.h"

#ifndef VELMORA_CONFIG_KEY
#define VELMORA_CONFIG_KEY ""
#endif

const char* ConfiguredConfigKey() {
    return VELMORA_CONFIG_KEY;
}
