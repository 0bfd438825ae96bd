// Names of the resources, shared by the resource script and the program.
#pragma once

// The icon group and the pause dialog's template.
#define PATTERN_RESOURCE "Vantrell"
