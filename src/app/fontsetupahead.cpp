#include "app/fontsetupahead.h"

#include <dlfcn.h>

FontSetupAhead::FontSetupAhead()
{
    // The library Qt reads fonts through, where Qt's loading has put it: a
    // Qt without it finds nothing here, and nothing is done.
    using Init = int (*)();
    if (const auto init = reinterpret_cast<Init>(::dlsym(RTLD_DEFAULT, "FcInit")))
        m_thread = std::thread(init);
}

FontSetupAhead::~FontSetupAhead()
{
    if (m_thread.joinable())
        m_thread.join();
}
