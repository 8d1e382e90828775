#include "windows/manage/manage_host.h"

namespace {
ManageHost* installed = nullptr;
}

ManageHost* CurrentManageHost() {
    return installed;
}

ManageHost* InstallManageHost(ManageHost* host) {
    ManageHost* previous = installed;
    installed = host;
    return previous;
}
