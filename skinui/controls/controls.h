#pragma once
// Every control class of the skinned UI framework.
#include "skinui/controls/button.h"
#include "skinui/controls/container.h"
#include "skinui/controls/control.h"
#include "skinui/controls/edit.h"
#include "skinui/controls/horizontal_layout.h"
#include "skinui/controls/label.h"
#include "skinui/controls/option.h"
#include "skinui/controls/progress.h"
#include "skinui/controls/scrollbar.h"
#include "skinui/controls/tab_layout.h"
#include "skinui/controls/text.h"
#include "skinui/controls/vertical_layout.h"
