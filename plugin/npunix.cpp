// Host entry glue: the four entries the host finds by name, the check and
// exchange of the two function tables at start-up, and the trampolines the
// plug-in's table points to. Everything here forwards to npnap.cpp.
#include "plugin/npnap.h"

#define NP_EXPORT extern "C" __attribute__((visibility("default")))

namespace naplps {
namespace {

NPError Private_New(NPMIMEType type, NPP instance, uint16_t mode, int16_t argc, char *argn[],
                    char *argv[], NPSavedData *saved) {
    return NPP_New(type, instance, mode, argc, argn, argv, saved);
}

NPError Private_Destroy(NPP instance, NPSavedData **save) { return NPP_Destroy(instance, save); }

NPError Private_SetWindow(NPP instance, NPWindow *window) {
    return NPP_SetWindow(instance, window);
}

NPError Private_NewStream(NPP instance, NPMIMEType type, NPStream *stream, NPBool seekable,
                          uint16_t *stype) {
    return NPP_NewStream(instance, type, stream, NPBool(seekable & 0xFF), stype);
}

int32_t Private_WriteReady(NPP instance, NPStream *stream) {
    return NPP_WriteReady(instance, stream);
}

int32_t Private_Write(NPP instance, NPStream *stream, int32_t offset, int32_t len, void *buffer) {
    return NPP_Write(instance, stream, offset, len, buffer);
}

void Private_StreamAsFile(NPP instance, NPStream *stream, const char *fname) {
    NPP_StreamAsFile(instance, stream, fname);
}

NPError Private_DestroyStream(NPP instance, NPStream *stream, NPReason reason) {
    return NPP_DestroyStream(instance, stream, reason);
}

void Private_Print(NPP instance, NPPrint *printInfo) { NPP_Print(instance, printInfo); }

jref Private_GetJavaClass() {
    NPP_GetJavaClass();  // the plug-in has no Java class
    return nullptr;
}

}  // namespace
}  // namespace naplps

using namespace naplps;

NP_EXPORT const char *NP_GetMIMEDescription() { return NPP_GetMIMEDescription(); }

NP_EXPORT NPError NP_GetValue(void *future, NPPVariable variable, void *value) {
    return NPP_GetValue(future, variable, value);
}

NP_EXPORT NPError NP_Initialize(NPNetscapeFuncs *nsTable, NPPluginFuncs *pluginFuncs) {
    if (!nsTable || !pluginFuncs) return NPERR_INVALID_FUNCTABLE_ERROR;
    NPError err = NPERR_NO_ERROR;
    if ((nsTable->version >> 8) > NP_VERSION_MAJOR) err = NPERR_INCOMPATIBLE_VERSION_ERROR;
    // The tables must reach the last entry that is read or written.
    if (nsTable->size < NP_HOST_TABLE_MIN) err = NPERR_INVALID_FUNCTABLE_ERROR;
    if (pluginFuncs->size < NP_PLUGIN_TABLE_MIN) err = NPERR_INVALID_FUNCTABLE_ERROR;
    if (err != NPERR_NO_ERROR) return err;

    NPNetscapeFuncs &ns = plg.gNetscapeFuncs;
    ns = NPNetscapeFuncs{};
    ns.size = nsTable->size;
    ns.version = nsTable->version;
    ns.geturl = nsTable->geturl;
    ns.posturl = nsTable->posturl;
    ns.requestread = nsTable->requestread;
    ns.newstream = nsTable->newstream;
    ns.write = nsTable->write;
    ns.destroystream = nsTable->destroystream;
    ns.status = nsTable->status;
    ns.uagent = nsTable->uagent;
    ns.memalloc = nsTable->memalloc;
    ns.memfree = nsTable->memfree;
    ns.memflush = nsTable->memflush;
    ns.reloadplugins = nsTable->reloadplugins;
    ns.getJavaEnv = nsTable->getJavaEnv;
    ns.getJavaPeer = nsTable->getJavaPeer;
    ns.getvalue = nsTable->getvalue;

    pluginFuncs->version = uint16_t((NP_VERSION_MAJOR << 8) | NP_VERSION_MINOR);
    pluginFuncs->size = uint16_t(sizeof(NPPluginFuncs));
    pluginFuncs->newp = Private_New;
    pluginFuncs->destroy = Private_Destroy;
    pluginFuncs->setwindow = Private_SetWindow;
    pluginFuncs->newstream = Private_NewStream;
    pluginFuncs->destroystream = Private_DestroyStream;
    pluginFuncs->asfile = Private_StreamAsFile;
    pluginFuncs->writeready = Private_WriteReady;
    pluginFuncs->write = Private_Write;
    pluginFuncs->print = Private_Print;
    pluginFuncs->event = nullptr;
    pluginFuncs->urlnotify = nullptr;
    pluginFuncs->javaClass = Private_GetJavaClass();
    return NPP_Initialize();
}

NP_EXPORT NPError NP_Shutdown() {
    NPP_Shutdown();
    return NPERR_NO_ERROR;
}
