// Resource numbers of the Zentap module.
#pragma once

#define IDD_FRAME 23000
