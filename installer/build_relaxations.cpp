#include "installer/build_relaxations.h"

#include <cstring>

#include "app/config_selection.h"
#include "app/log.h"
#include "installer/config_signature.h"
#include "installer/publisher_pin.h"

std::string BuildRelaxations() {
#ifdef VELMORA_RELEASE_BUILD
    return std::string();
#else
    std::string relaxed;
    auto add = [&relaxed](const char* point) {
        relaxed += (relaxed.empty() ? "" : "; ") + std::string(point);
    };
    if (std::strncmp(ConfiguredUpdateOrigin(), "https://", 8) != 0) {
        add("configuration fetched over http");
    }
    if (ConfiguredPublisherPin()[0] == '\0') {
        add("no publisher pin, packages run unchecked");
    }
    if (ConfiguredConfigKey()[0] == '\0') {
        add("no configuration key, an unsigned configuration is taken");
    }
    add("VELMORA_DEV_NO_SPLIT_TOKEN honoured");
    return relaxed;
#endif
}

void LogBuildRelaxations() {
    const std::string relaxed = BuildRelaxations();
    if (!relaxed.empty()) {
        LogW("WinMain", "development build: ", relaxed);
    }
}
