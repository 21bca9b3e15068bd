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

/* The network port dialog (File > Network port...) and its controls, which
   the end-to-end driver works by these ids. IDOK and IDCANCEL close it. */
#define FLINTWELL_NETWORK_DIALOG 3
#define FLINTWELL_NETWORK_ADDRESS_LABEL 201
#define FLINTWELL_NETWORK_ADDRESS 202
#define FLINTWELL_NETWORK_RFC2217 203
#define FLINTWELL_NETWORK_RAW_TCP 204
#define FLINTWELL_NETWORK_PROBLEM 205
#define FLINTWELL_NETWORK_PORTS_LABEL 206
#define FLINTWELL_NETWORK_LIST 207
#define FLINTWELL_NETWORK_REMOVE 208

#endif
