#include "core/appcontext.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests (CTest's discovery at build time) needs no application object.
    if (::testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS();

    // WebEngine needs a shared GL context set up before the application object exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    const int result = RUN_ALL_TESTS();
    ResetApp();
    return result;
}
