// The preview after a save: the desktop's viewer for Word documents, else Quillon's own print preview.
#pragma once

#include <QString>

class MainWindow;
struct Services;

namespace transcript {
class WordEngine;
}

void PreviewDocument(MainWindow& w, Services& s, transcript::WordEngine& engine, const QString& path);
