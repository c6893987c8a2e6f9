// One WMI query, start to end: COM is set up on entry and torn down before
// return, and every interface obtained is released exactly once.
#include "platform/wmi.h"

#include <new>

#include "platform/handles.h"

namespace orvex {

namespace {

bool failed(ComStatus status) { return status < 0; }

}  // namespace

int getWmiProperty(Platform& platform, const std::string& className, const std::string& propertyName,
                   std::string& value) {
    // A thread already set up otherwise: nothing to undo.
    if (failed(platform.coInitializeMultithreaded())) return 1;

    ComOwner services(platform);
    ComOwner locator(platform);
    ComOwner enumerator(platform);
    // Every way out releases what is held - the services proxy, the locator,
    // the enumerator, in this order - and then leaves COM.
    auto finish = [&](int result) {
        services.reset();
        locator.reset();
        enumerator.reset();
        platform.coUninitialize();
        return result;
    };

    try {
        if (failed(platform.coInitializeSecurity())) return finish(1);
        if (failed(platform.createWbemLocator(locator.put()))) return finish(1);
        if (failed(platform.connectServer(locator.get(), u"ROOT\\CIMV2", services.put()))) return finish(1);
        if (failed(platform.setProxyBlanket(services.get()))) return finish(1);
        const std::u16string query = platform.threadAnsiToWide("SELECT * FROM " + className);
        if (failed(platform.execQuery(services.get(), query, enumerator.put()))) return finish(1);

        for (;;) {
            ComOwner object(platform);
            uint32_t returned = 0;
            // Only the count ends the loop; a failing Next reports none.
            static_cast<void>(platform.nextObject(enumerator.get(), object.put(), returned));
            if (returned == 0 || !object) break;
            std::u16string text;
            bool isString = false;
            // Each instance replaces the value; one whose property cannot be
            // read as a string leaves it as it was.
            if (!failed(platform.getStringProperty(object.get(), platform.threadAnsiToWide(propertyName), text,
                                                   isString)) &&
                isString)
                value = platform.wideToAnsi(text);
        }
    } catch (const std::bad_alloc&) {
        // Out of memory half way: what was obtained is still given back.
        return finish(1);
    }
    return finish(0);
}

}  // namespace orvex
