// Resource numbers shared by the program's resource script and the form run
// time. Plain defines and an #ifndef guard: the resource compiler reads this
// file too.
#ifndef ZELMO_PLATFORM_WIN32_RESOURCE_IDS_H
#define ZELMO_PLATFORM_WIN32_RESOURCE_IDS_H

#define ZELMO_PICTURE_BITMAP 101

#endif
