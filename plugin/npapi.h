// The Netscape plug-in interface for Unix, version 0.9, as far as this
// plug-in and its host programs use it: the types the host and the plug-in
// exchange, the two function tables, error, reason and stream-type codes,
// and the variables of NPP_GetValue. Written for this plug-in; the layouts
// follow the published interface (one pointer-sized slot per entry).
#pragma once

#include <cstddef>
#include <cstdint>

#include <X11/Xlib.h>

typedef unsigned char NPBool;
typedef int16_t NPError;
typedef int16_t NPReason;
typedef char *NPMIMEType;

// Interface version: major 0, minor 9.
constexpr int NP_VERSION_MAJOR = 0;
constexpr int NP_VERSION_MINOR = 9;

// Error codes.
constexpr NPError NPERR_NO_ERROR = 0;
constexpr NPError NPERR_GENERIC_ERROR = 1;
constexpr NPError NPERR_INVALID_INSTANCE_ERROR = 2;
constexpr NPError NPERR_INVALID_FUNCTABLE_ERROR = 3;
constexpr NPError NPERR_MODULE_LOAD_FAILED_ERROR = 4;
constexpr NPError NPERR_OUT_OF_MEMORY_ERROR = 5;
constexpr NPError NPERR_INVALID_PLUGIN_ERROR = 6;
constexpr NPError NPERR_INVALID_PLUGIN_DIR_ERROR = 7;
constexpr NPError NPERR_INCOMPATIBLE_VERSION_ERROR = 8;

// Why a stream ended.
constexpr NPReason NPRES_DONE = 0;
constexpr NPReason NPRES_NETWORK_ERR = 1;
constexpr NPReason NPRES_USER_BREAK = 2;

// Stream types a plug-in may ask for in NPP_NewStream.
constexpr uint16_t NP_NORMAL = 1;
constexpr uint16_t NP_SEEK = 2;
constexpr uint16_t NP_ASFILE = 3;
constexpr uint16_t NP_ASFILEONLY = 4;

// Embedding modes of NPP_New.
constexpr uint16_t NP_EMBED = 1;
constexpr uint16_t NP_FULL = 2;

// Callback-structure type of NPSetWindowCallbackStruct.
constexpr int32_t NP_SETWINDOW = 1;

// Variables a host asks of the plug-in.
enum NPPVariable {
    NPPVpluginNameString = 1,
    NPPVpluginDescriptionString = 2,
    NPPVpluginWindowBool = 3,
    NPPVpluginTransparentBool = 4,
};

// Variables a plug-in asks of the host.
enum NPNVariable {
    NPNVxDisplay = 1,
    NPNVxtAppContext = 2,
};

// One plug-in instance as the host sees it: pdata belongs to the plug-in,
// ndata to the host.
struct NPP_t {
    void *pdata;
    void *ndata;
};
typedef NPP_t *NPP;

struct NPStream {
    void *pdata;  // the plug-in's
    void *ndata;  // the host's
    const char *url;
    uint32_t end;  // length of the stream, 0 when unknown
    uint32_t lastmodified;
    void *notifyData;
};

struct NPByteRange {
    int32_t offset;
    uint32_t length;
    NPByteRange *next;
};

struct NPSavedData {
    int32_t len;
    void *buf;
};

struct NPRect {
    uint16_t top, left, bottom, right;
};

// The window's callback structure on X11: how to reach the window.
struct NPSetWindowCallbackStruct {
    int32_t type;
    Display *display;
    Visual *visual;
    Colormap colormap;
    unsigned int depth;
};

struct NPWindow {
    void *window;  // the X Window, carried in a pointer-sized slot
    int32_t x, y;  // position in the host's window
    uint32_t width, height;
    NPRect clipRect;
    void *ws_info;  // NPSetWindowCallbackStruct
};

struct NPFullPrint {
    NPBool pluginPrinted;
    NPBool printOne;
    void *platformPrint;
};

struct NPEmbedPrint {
    NPWindow window;
    void *platformPrint;
};

struct NPPrint {
    uint16_t mode;  // NP_FULL or NP_EMBED
    union {
        NPFullPrint fullPrint;
        NPEmbedPrint embedPrint;
    } print;
};

typedef void *JRIEnv;  // the Java runtime is never reached
typedef void *jref;

// The host's services, in the order of the host's table.
struct NPNetscapeFuncs {
    uint16_t size;
    uint16_t version;
    NPError (*geturl)(NPP, const char *url, const char *window);
    NPError (*posturl)(NPP, const char *url, const char *window, uint32_t len, const char *buf,
                       NPBool file);
    NPError (*requestread)(NPStream *, NPByteRange *);
    NPError (*newstream)(NPP, NPMIMEType, const char *window, NPStream **);
    int32_t (*write)(NPP, NPStream *, int32_t len, void *buf);
    NPError (*destroystream)(NPP, NPStream *, NPReason);
    void (*status)(NPP, const char *message);
    const char *(*uagent)(NPP);
    void *(*memalloc)(uint32_t size);
    void (*memfree)(void *ptr);
    uint32_t (*memflush)(uint32_t size);
    void (*reloadplugins)(NPBool reloadPages);
    JRIEnv *(*getJavaEnv)();
    jref (*getJavaPeer)(NPP);
    NPError (*geturlnotify)(NPP, const char *url, const char *target, void *notifyData);
    NPError (*posturlnotify)(NPP, const char *url, const char *target, uint32_t len,
                             const char *buf, NPBool file, void *notifyData);
    NPError (*getvalue)(NPP, NPNVariable, void *value);
};

// The plug-in's entries, in the order of the plug-in's table.
struct NPPluginFuncs {
    uint16_t size;
    uint16_t version;
    NPError (*newp)(NPMIMEType, NPP, uint16_t mode, int16_t argc, char *argn[], char *argv[],
                    NPSavedData *saved);
    NPError (*destroy)(NPP, NPSavedData **save);
    NPError (*setwindow)(NPP, NPWindow *);
    NPError (*newstream)(NPP, NPMIMEType, NPStream *, NPBool seekable, uint16_t *stype);
    NPError (*destroystream)(NPP, NPStream *, NPReason);
    void (*asfile)(NPP, NPStream *, const char *fname);
    int32_t (*writeready)(NPP, NPStream *);
    int32_t (*write)(NPP, NPStream *, int32_t offset, int32_t len, void *buffer);
    void (*print)(NPP, NPPrint *);
    int16_t (*event)(NPP, void *event);
    void (*urlnotify)(NPP, const char *url, NPReason, void *notifyData);
    jref javaClass;  // the Java class of the plug-in, none here
};

// Smallest tables the plug-in accepts: everything up to and including the
// host's GetValue entry, and the whole plug-in table up to its Java class.
// On a 32-bit build these are the interface's 72 and 52 bytes; on a 64-bit
// build the same entries in pointer-sized slots (144 and 104 bytes).
constexpr size_t NP_HOST_TABLE_MIN =
    offsetof(NPNetscapeFuncs, getvalue) + sizeof(NPNetscapeFuncs::getvalue);
constexpr size_t NP_PLUGIN_TABLE_MIN =
    offsetof(NPPluginFuncs, javaClass) + sizeof(NPPluginFuncs::javaClass);
static_assert(sizeof(void *) != 4 || (NP_HOST_TABLE_MIN == 72 && NP_PLUGIN_TABLE_MIN == 52),
              "32-bit tables must have the interface's sizes");
static_assert(NP_PLUGIN_TABLE_MIN <= 0xFFFF && NP_HOST_TABLE_MIN <= 0xFFFF,
              "table sizes travel in 16 bits");

// The four entries the host finds by name.
extern "C" {
const char *NP_GetMIMEDescription();
NPError NP_GetValue(void *future, NPPVariable variable, void *value);
NPError NP_Initialize(NPNetscapeFuncs *nsTable, NPPluginFuncs *pluginFuncs);
NPError NP_Shutdown();
}
