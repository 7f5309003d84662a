// The result of a transcript step that can be refused or fail: what the user is to be told.
#pragma once

#include <QString>

namespace transcript {

struct [[nodiscard]] Outcome {
    bool ok = true;
    QString caption;
    QString text;

    static Outcome success() { return {}; }
    static Outcome failure(QString caption, QString text) { return {false, std::move(caption), std::move(text)}; }
};

} // namespace transcript
