// The main window's components without a face of their own (recorder, capture pipeline, FTP
// connection), owned beside MainWindow and handed to the handlers by the event table.
#pragma once

struct Components {
};
