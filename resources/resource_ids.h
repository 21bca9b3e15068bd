/* Numeric types and ids of the program's own resources. Read by the C++ code
   (image/resources.h) and by the resource script (resources/flintwell.rc),
   so it holds nothing but plain macros. */
#ifndef FLINTWELL_RESOURCE_IDS_H
#define FLINTWELL_RESOURCE_IDS_H

/* The packed firmware image. */
#define FLINTWELL_IMAGE_RESOURCE_TYPE 256
#define FLINTWELL_IMAGE_RESOURCE_ID 101

/* The configuration text ("RESET_SETTINGS = TRUE;" or "... FALSE;"). */
#define FLINTWELL_CONFIG_RESOURCE_TYPE 257
#define FLINTWELL_CONFIG_RESOURCE_ID 102

/* The window's pictures: icon 1 is the program file's, icon 2 the window
   class's and the About box's, icon 5 every message box's. */
#define FLINTWELL_ICON_PROGRAM 1
#define FLINTWELL_ICON_WINDOW 2
#define FLINTWELL_ICON_MESSAGE 5

/* The About box templates, one per language. */
#define FLINTWELL_ABOUT_RUSSIAN 1
#define FLINTWELL_ABOUT_ENGLISH 2

#endif
