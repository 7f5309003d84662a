// The main window's components without a face of their own (recorder, capture pipeline, FTP
// connection), owned beside MainWindow and handed to the handlers by the event table.
#pragma once

#include "transcript/NativeWordEngine.h"

#include <memory>

struct Components {
    // The document writers of the save and print commands.
    std::unique_ptr<transcript::WordEngine> Word程序1 = std::make_unique<transcript::NativeWordEngine>();
};
