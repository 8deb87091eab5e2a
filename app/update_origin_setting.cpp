// The update server's scheme and host, alone in their file: a build that talks to another
// origin (the https tests) links its own copy of this file with other definitions.
#include "app/config_selection.h"

#if !defined(VELMORA_UPDATE_SCHEME) || !defined(VELMORA_UPDATE_HOST)
#error "VELMORA_UPDATE_SCHEME and VELMORA_UPDATE_HOST come from cmake/VelmoraSettings.cmake"
#endif

const char* ConfiguredUpdateOrigin() {
    return VELMORA_UPDATE_SCHEME "://" VELMORA_UPDATE_HOST;
}
