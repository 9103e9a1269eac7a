// The data modules, their connection and the Connetti command's database steps.
#include "data/connect_database.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

#include "data/connection_string.h"
#include "data/data_modules.h"
#include "data/scratch_dir.h"
#include "data/user_error.h"
#include "mdb/database.h"

namespace {

using testing_support::ScratchDir;

// A read-write copy of an empty Jet 4 database.
std::string databaseCopy(const ScratchDir& dir, const std::string& name) {
    const std::string target = dir / name;
    std::filesystem::copy_file(testing_support::fixture("empty.mdb"), target);
    return target;
}

TEST(UniqueName, FirstFreeNumberWithoutRegardToCase) {
    struct Case {
        std::vector<std::string> taken;
        std::string name;
    };
    const Case cases[] = {
        {{}, "DM"},
        {{"Form1"}, "DM"},
        {{"DM"}, "DM_1"},
        {{"dm"}, "DM_1"},
        {{"DM", "DM_1"}, "DM_2"},
        {{"DM", "dm_1", "Dm_3"}, "DM_2"},  // the first gap is filled
        {{"DM_1"}, "DM"},
        {{"DM", "DM_01"}, "DM_1"},  // "DM_01" is another name
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.taken));
        EXPECT_EQ(data::uniqueName("DM", c.taken), c.name);
    }
}

TEST(DataModules, EachModuleIsNamedKeptAndBecomesDM) {
    {
        data::DataModules modules;
        EXPECT_EQ(DM, nullptr);
        data::TDM& first = modules.create();
        data::TDM& second = modules.create();
        data::TDM& third = modules.create();
        EXPECT_EQ(first.name(), "DM");
        EXPECT_EQ(second.name(), "DM_1");
        EXPECT_EQ(third.name(), "DM_2");
        EXPECT_EQ(DM, &third);
        EXPECT_EQ(modules.size(), 3u);
        EXPECT_EQ(&modules[0], &first);  // earlier modules stay alive
        EXPECT_FALSE(first.Con.connected());
        EXPECT_EQ(first.Con.connectionString().find("Provider=Microsoft.Jet.OLEDB.4.0"), 0u);
    }
    EXPECT_EQ(DM, nullptr);  // the owner took its modules with it
}

TEST(Connection, OpensAJet4DatabaseNamedByTheDataSource) {
    REQUIRE_FIXTURES();
    ScratchDir dir;
    const std::string path = databaseCopy(dir, "a;b 'c'.mdb");
    data::Connection con(data::connectionStringFor(path));
    con.open();
    ASSERT_TRUE(con.connected());
    EXPECT_EQ(con.database().path(), path);
    con.open();  // already open: nothing happens
    EXPECT_THROW(con.setConnectionString("Provider=x"), std::logic_error);
    con.close();
    con.close();  // closing a closed connection does nothing
    EXPECT_FALSE(con.connected());
    EXPECT_THROW(con.database(), std::logic_error);
}

TEST(Connection, AFailedOpenLeavesItClosedWithTheEnginesMessage) {
    REQUIRE_FIXTURES();
    ScratchDir dir;
    const std::string notADatabase = dir.write("notes.mdb", std::string(4096, 'n'));
    const std::string ace = dir / "new.mdb";
    std::filesystem::copy_file(testing_support::fixture("testV2007.accdb"), ace);
    for (const std::string& path : {notADatabase, ace, dir / "missing.mdb"}) {
        SCOPED_TRACE(path);
        data::Connection con(data::connectionStringFor(path));
        try {
            con.open();
            ADD_FAILURE() << "opened";
        } catch (const data::UserError& e) {
            const std::string message = e.what();
            EXPECT_FALSE(message.empty());
            EXPECT_NE(message.back(), '.');
            EXPECT_NE(message.back(), ' ');
        }
        EXPECT_FALSE(con.connected());
    }
}

TEST(Connection, RefusesAnotherProviderAndAMalformedString) {
    REQUIRE_FIXTURES();
    ScratchDir dir;
    const std::string path = databaseCopy(dir, "ok.mdb");
    data::Connection other("Provider=SQLOLEDB;Data Source=" + path);
    EXPECT_THAT([&] { other.open(); },
                testing::ThrowsMessage<data::UserError>(
                    testing::StrEq("Provider cannot be found. It may not be properly installed")));
    data::Connection lowerCase("provider=microsoft.jet.oledb.4.0;data source=" + path);
    EXPECT_NO_THROW(lowerCase.open());
    data::Connection broken("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=\"" + path);
    EXPECT_THROW(broken.open(), data::UserError);
    EXPECT_FALSE(broken.connected());
}

TEST(ConnectDatabase, MissingFileCreatesNothing) {
    ScratchDir dir;
    data::DataModules modules;
    for (const std::string& path : {std::string(), dir / "missing.mdb", dir.path().string()}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(data::connectDatabase(modules, path), nullptr);
    }
    EXPECT_EQ(modules.size(), 0u);
    EXPECT_EQ(DM, nullptr);
}

TEST(ConnectDatabase, ThreeConnectsLeaveThreeOpenModules) {
    REQUIRE_FIXTURES();
    ScratchDir dir;
    const std::string path = databaseCopy(dir, "ruolo.mdb");
    data::DataModules modules;
    for (int i = 0; i < 3; ++i) {
        data::TDM* dm = data::connectDatabase(modules, path);
        ASSERT_NE(dm, nullptr);
        EXPECT_EQ(dm, DM);
        EXPECT_EQ(data::ConnectionString::parse(dm->Con.connectionString()).value("data source"),
                  path);
    }
    ASSERT_EQ(modules.size(), 3u);
    EXPECT_EQ(modules[2].name(), "DM_2");
    for (std::size_t i = 0; i < 3; ++i) EXPECT_TRUE(modules[i].Con.connected()) << i;
}

TEST(ConnectDatabase, AFileThatIsNoDatabaseLeavesDMStoredAndClosed) {
    ScratchDir dir;
    const std::string path = dir.write("ruolo.mdb", "not a database at all");
    data::DataModules modules;
    EXPECT_THROW(data::connectDatabase(modules, path), data::UserError);
    ASSERT_EQ(modules.size(), 1u);
    EXPECT_EQ(DM, &modules[0]);
    EXPECT_FALSE(DM->Con.connected());
    EXPECT_EQ(data::ConnectionString::parse(DM->Con.connectionString()).value("Data Source"), path);
}

}  // namespace
