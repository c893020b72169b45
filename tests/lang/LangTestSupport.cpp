#include "LangTestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <memory>

namespace varnex::test {
namespace {

// Points QSettings at a temporary directory before any test runs.
class SettingsSandbox : public ::testing::Environment {
public:
    void SetUp() override {
        QStandardPaths::setTestModeEnabled(true);
        m_dir = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(m_dir->isValid());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_dir->path());
        Root() = m_dir->path();
    }
    void TearDown() override { m_dir.reset(); }
    static QString& Root() {
        static QString root;
        return root;
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

[[maybe_unused]] ::testing::Environment* const kSandbox = ::testing::AddGlobalTestEnvironment(new SettingsSandbox);

}  // namespace

ScopedCurrentDir::ScopedCurrentDir() : m_previous(QDir::currentPath()) {
    EXPECT_TRUE(m_dir.isValid());
    EXPECT_TRUE(QDir::setCurrent(m_dir.path()));
}

ScopedCurrentDir::~ScopedCurrentDir() { QDir::setCurrent(m_previous); }

void ScopedCurrentDir::Write(const QString& name, const QByteArray& bytes) const {
    QFile file(FilePath(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << name.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QString SettingsRoot() { return SettingsSandbox::Root(); }

QString SettingsFile() { return SettingsRoot() + "/Ostrik/Talmeno/Varnex.ini"; }

void ClearStoredLanguage() {
    EXPECT_FALSE(SettingsRoot().isEmpty());
    QFile::remove(SettingsFile());
}

void WriteStoredLanguage(const QVariant& value) {
    QSettings settings(SettingsFile(), QSettings::IniFormat);
    settings.setValue("LanguageId", value);
    settings.sync();
    ASSERT_EQ(settings.status(), QSettings::NoError);
}

}  // namespace varnex::test
