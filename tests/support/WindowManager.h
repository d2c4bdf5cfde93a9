#pragma once

#include <gtest/gtest.h>

#include <QProcess>
#include <QTest>

#include "support/Programs.h"

// Starts openbox in `process` and returns once it announces itself on the root window: focus
// and _NET_ACTIVE_WINDOW then behave as on a desktop. A window manager that ended before leaves
// its properties behind, and the X server hands a new client the window ids of one that has
// gone: they are removed first, so that neither passes for the new manager's word.
inline void startWindowManager(QProcess& process) {
    for (const char* property : {"_NET_SUPPORTING_WM_CHECK", "_NET_ACTIVE_WINDOW",
                                 "_NET_CLIENT_LIST", "_NET_CLIENT_LIST_STACKING"})
        runProgram(QStringLiteral("xprop"),
                   {QStringLiteral("-root"), QStringLiteral("-remove"), property});
    process.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
    ASSERT_TRUE(QTest::qWaitFor(
        [] {
            return runProgram(QStringLiteral("xprop"),
                              {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")})
                .contains("window id");
        },
        5000));
}
