#pragma once
// A shop's installation for window tests: a working folder with SYS_INFO.INI and a
// connection profile naming a real Firebird database (embedded engine) of a few articles,
// the recording message boxes and the stand-in terminal-server library.

#include "Journal.h"
#include "RecordingMessageBoxes.h"
#include "ShopDatabase.h"
#include "TestProvider.h"
#include "WorkingFolder.h"
#include "app/TFConsulta.h"

#include <gtest/gtest.h>

using veska::catalogue::test::commitStatement;
using veska::terminal::test::addressOf;
using veska::terminal::test::journal;
using veska::terminal::test::provider;
#include <memory>

// Sets an article's wholesale price through a connection of its own, committed, as another
// program of the shop would.
void commitPrice(const QString& databasePath, const char* codigo, const char* price);

class ShopFixture : public ::testing::Test {
protected:
    ShopFixture() { veska::terminal::test::resetProvider(); }
    veska::catalogue::test::WorkingFolder folder;
    RecordingMessageBoxes boxes;

    // The products table with three articles (and the retail column unless told otherwise),
    // SYS_INFO.INI naming alias "LOJA" from character 15 of line 2, and its profile.
    void installShop(bool withRetail = true);
    std::unique_ptr<veska::app::TFConsulta> createWindow(bool hasArgument = false);
    void setPrice(const char* codigo, const char* price) {
        commitPrice(database->path(), codigo, price);
    }

    std::unique_ptr<veska::catalogue::test::ShopDatabase> database;
};
