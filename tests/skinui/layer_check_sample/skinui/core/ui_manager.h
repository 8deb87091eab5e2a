// A core file that breaks the layers: the check must fail on this folder.
#include "skinui/controls/control.h"
