// Host services as the plug-in calls them: each NPN_ function forwards to
// the entry of the host's table saved by NP_Initialize. An entry the host
// left empty answers as a failure would.
#include "plugin/npnap.h"

namespace naplps {

void NPN_Version(int *plugin_major, int *plugin_minor, int *netscape_major, int *netscape_minor) {
    if (plugin_major) *plugin_major = NP_VERSION_MAJOR;
    if (plugin_minor) *plugin_minor = NP_VERSION_MINOR;
    if (netscape_major) *netscape_major = plg.gNetscapeFuncs.version >> 8;
    if (netscape_minor) *netscape_minor = plg.gNetscapeFuncs.version & 0xFF;
}

NPError NPN_GetValue(NPP instance, NPNVariable variable, void *value) {
    auto f = plg.gNetscapeFuncs.getvalue;
    return f ? f(instance, variable, value) : NPERR_GENERIC_ERROR;
}

NPError NPN_GetURL(NPP instance, const char *url, const char *window) {
    auto f = plg.gNetscapeFuncs.geturl;
    return f ? f(instance, url, window) : NPERR_GENERIC_ERROR;
}

NPError NPN_PostURL(NPP instance, const char *url, const char *window, uint32_t len,
                    const char *buf, NPBool file) {
    auto f = plg.gNetscapeFuncs.posturl;
    return f ? f(instance, url, window, len, buf, file) : NPERR_GENERIC_ERROR;
}

NPError NPN_RequestRead(NPStream *stream, NPByteRange *rangeList) {
    auto f = plg.gNetscapeFuncs.requestread;
    return f ? f(stream, rangeList) : NPERR_GENERIC_ERROR;
}

NPError NPN_NewStream(NPP instance, NPMIMEType type, const char *window, NPStream **stream) {
    auto f = plg.gNetscapeFuncs.newstream;
    return f ? f(instance, type, window, stream) : NPERR_GENERIC_ERROR;
}

int32_t NPN_Write(NPP instance, NPStream *stream, int32_t len, void *buffer) {
    auto f = plg.gNetscapeFuncs.write;
    return f ? f(instance, stream, len, buffer) : -1;
}

NPError NPN_DestroyStream(NPP instance, NPStream *stream, NPReason reason) {
    auto f = plg.gNetscapeFuncs.destroystream;
    return f ? f(instance, stream, reason) : NPERR_GENERIC_ERROR;
}

void NPN_Status(NPP instance, const char *message) {
    if (auto f = plg.gNetscapeFuncs.status) f(instance, message);
}

const char *NPN_UserAgent(NPP instance) {
    auto f = plg.gNetscapeFuncs.uagent;
    return f ? f(instance) : nullptr;
}

void *NPN_MemAlloc(uint32_t size) {
    auto f = plg.gNetscapeFuncs.memalloc;
    return f ? f(size) : nullptr;
}

void NPN_MemFree(void *ptr) {
    if (auto f = plg.gNetscapeFuncs.memfree) f(ptr);
}

uint32_t NPN_MemFlush(uint32_t size) {
    auto f = plg.gNetscapeFuncs.memflush;
    return f ? f(size) : 0;
}

void NPN_ReloadPlugins(NPBool reloadPages) {
    if (auto f = plg.gNetscapeFuncs.reloadplugins) f(reloadPages);
}

JRIEnv *NPN_GetJavaEnv() {
    auto f = plg.gNetscapeFuncs.getJavaEnv;
    return f ? f() : nullptr;
}

jref NPN_GetJavaPeer(NPP instance) {
    auto f = plg.gNetscapeFuncs.getJavaPeer;
    return f ? f(instance) : nullptr;
}

}  // namespace naplps
