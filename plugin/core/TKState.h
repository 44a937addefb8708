#pragma once

// The plug-in's status value, published read-only as tk_status.
enum TKState : int {
    STATE_OFF = 0,  // published while inactive; never the current state
    STATE_OK = 1,
    STATE_UPDATE_FOUND = 2,
    STATE_DOWNLOADING = 3,
    STATE_UPDATE_READY = 4,
    STATE_MODULE_UNREADABLE = 5,
    STATE_MODULE_MODIFIED = 6,
    STATE_NO_CONTACT = 7,
    STATE_SERVER_MODIFIED = 8,
};
