// Identifiers shared by the resource script and the code.
#pragma once

#define kAppIcon 1
