// The build's publisher pin, alone in its file: a build that pins another key (the installer's
// signature tests) links its own definition instead of this one.
#include "installer/publisher_pin.h"

#ifndef VELMORA_PUBLISHER_PIN
#define VELMORA_PUBLISHER_PIN ""
#endif

const char* ConfiguredPublisherPin() {
    return VELMORA_PUBLISHER_PIN;
}
