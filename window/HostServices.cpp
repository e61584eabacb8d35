#include "window/HostServices.h"

#include "platform/Host.h"

namespace fd {

Services hostServices(Host& host, Desktop& desktop) {
  return Services{host.fs(),        host.processes(), host.clock(),    desktop,
                  host.databases(), host.paths(),     host.registry(), host.programFolder()};
}

}  // namespace fd
