// The real program on test seams with a logging word engine, and helpers to fill and read its form.
#pragma once

#include "LoggingEngine.h"
#include "TestProgram.h"
#include "TestRecords.h"

#include "transcript/FormBinding.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QTest>

#include <gtest/gtest.h>

struct TranscriptProgram : TestProgram {
    LoggingEngine* engine = nullptr;

    TranscriptProgram() {
        auto logging = std::make_unique<LoggingEngine>();
        engine = logging.get();
        program.components().Word程序1 = std::move(logging);
    }

    QString blDir() { return env.programDir() + "/BL"; }
    void setForm(const record::TranscriptRecord& r) { transcript::fillForm(w(), r); }
    record::TranscriptRecord form() { return transcript::readForm(w()); }
};

// Chooses a list item the way the inspector does: opens the list and clicks the item.
inline void chooseItem(QComboBox* box, int row) {
    box->showPopup();
    QAbstractItemView* view = box->view();
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->isVisible(); }, 2000));
    const QRect rect = view->visualRect(view->model()->index(row, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rect.center());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !view->isVisible(); }, 2000));
}

inline QStringList listItems(const QComboBox* box) {
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}
