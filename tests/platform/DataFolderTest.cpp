#include "platform/DataFolder.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace korvel {
namespace {

class DataFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_saved = qgetenv("KORVEL_DATA_DIR");
        m_had = qEnvironmentVariableIsSet("KORVEL_DATA_DIR");
        qunsetenv("KORVEL_DATA_DIR");
    }
    void TearDown() override
    {
        if (m_had) {
            qputenv("KORVEL_DATA_DIR", m_saved);
        } else {
            qunsetenv("KORVEL_DATA_DIR");
        }
    }

    QTemporaryDir m_dir;
    QByteArray m_saved;
    bool m_had = false;
};

TEST_F(DataFolderTest, ArgumentWinsOverTheEnvironment)
{
    qputenv("KORVEL_DATA_DIR", m_dir.filePath("env").toUtf8());
    const DataFolder a = DataFolder::resolve({"korvel", "--data-dir", m_dir.filePath("arg")});
    EXPECT_EQ(a.source(), DataFolder::Source::Argument);
    EXPECT_EQ(a.path(), m_dir.filePath("arg"));
    EXPECT_EQ(a.databasePath(), m_dir.filePath("arg/formula.mdb"));

    const DataFolder b = DataFolder::resolve({"korvel", "--data-dir=" + m_dir.filePath("eq")});
    EXPECT_EQ(b.path(), m_dir.filePath("eq"));

    const DataFolder e = DataFolder::resolve({"korvel"});
    EXPECT_EQ(e.source(), DataFolder::Source::Environment);
    EXPECT_EQ(e.path(), m_dir.filePath("env"));
}

TEST_F(DataFolderTest, DefaultIsThePerUserFolderOf3Ver)
{
    const DataFolder d = DataFolder::resolve({"korvel"});
    EXPECT_EQ(d.source(), DataFolder::Source::Default);
    EXPECT_TRUE(d.path().endsWith("/3VER"));
    EXPECT_TRUE(QDir::isAbsolutePath(d.path()));
}

TEST_F(DataFolderTest, EnsureExistsCreatesMissingParents)
{
    const DataFolder f = DataFolder::resolve({"korvel", "--data-dir", m_dir.filePath("a/b/c")});
    EXPECT_FALSE(QDir(f.path()).exists());
    ASSERT_TRUE(f.ensureExists());
    EXPECT_TRUE(QDir(f.path()).exists());

    // A plain file where the folder should be cannot become a folder.
    QFile blocker(m_dir.filePath("file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QString error;
    EXPECT_FALSE(DataFolder::resolve({"korvel", "--data-dir", m_dir.filePath("file/sub")}).ensureExists(&error));
    EXPECT_FALSE(error.isEmpty());
}

} // namespace
} // namespace korvel
