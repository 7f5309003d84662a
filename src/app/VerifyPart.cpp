// The verify part: fingerprints checked against their files, on QtCore and libcrypto alone.
#include "CommandTable.h"

#include "platform/Fingerprint.h"
#include "platform/SaveRecovery.h"

extern "C" Q_DECL_EXPORT int quillon_verify(int argc, char** argv) {
    // A save that was cut off is finished or undone first: the files then are all of one save.
    durable::finishInterruptedSavesOf(commandArguments(argc, argv));
    // File names are checked by their bytes: a name in another encoding than the locale's must not
    // turn into replacement characters.
    QByteArrayList files;
    for (int i = 2; i < argc; ++i)
        files << QByteArray(argv[i]);
    return fingerprint::verifyCommand(files);
}
