// Time of one language change over a window the size of the main window:
// every parameter and status control plus a control for every text key.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <memory>

#include "lang/LangMan.h"
#include "params/Catalogue.h"
#include "params/ControlDesc.h"
#include "ui/RadioGroup.h"

namespace {

using namespace varnex;

QWidget* MakeKeyControl(const QString& key, QWidget* parent) {
    QWidget* w = nullptr;
    if (key.startsWith("cmb")) w = new QComboBox(parent);
    else if (key.startsWith("gb") || key.startsWith("gG")) w = new QGroupBox(parent);
    else if (key.startsWith("bt")) w = new QPushButton(parent);
    else if (key.startsWith("cb")) w = new QCheckBox(parent);
    else if (key.startsWith("rb")) w = new QRadioButton(parent);
    else w = new QLabel(parent);
    w->setObjectName(key);
    return w;
}

struct Window {
    Window() : root(std::make_unique<QWidget>()) {
        auto* pages = new QTabWidget(root.get());
        pages->setObjectName("PageControl1");
        QWidget* page[4];
        const char* pageNames[] = {"tsSettings", "tsStatus", "tsLog", "TabSheet1"};
        for (int i = 0; i < 4; ++i) {
            page[i] = new QWidget;
            page[i]->setObjectName(pageNames[i]);
            pages->addTab(page[i], pageNames[i]);
        }
        for (const ParamDef& def : ParameterCatalogue()) CreateCatalogueControl(def, page[0]);
        for (const StatusDef& def : StatusCatalogue()) CreateStatusControl(def, page[1]);
        for (const char* memo : {"MemoLog1", "MemoLog2", "MemoLog3"}) (new QPlainTextEdit(page[2]))->setObjectName(memo);
        for (const TranslationEntry& entry : EnglishTable().entries) {
            const QString key = QString::fromUtf8(entry.key.data(), static_cast<qsizetype>(entry.key.size()));
            if (key == "Language" || key.startsWith("txt") || key.startsWith("ts") ||
                root->findChild<QWidget*>(key))
                continue;
            MakeKeyControl(key, key.startsWith("lbVi") || key.startsWith("lbGsm") ? page[1] : page[0]);
        }
        // The radio groups and the unnamed-key captions of the real window.
        for (const char* name : {"rgIN1", "rgIN2"}) {
            auto* group = new RadioGroup(page[0]);
            group->setObjectName(name);
            group->setItems({"NO", "NC", "CA"});
        }
        for (int i = 1; i <= 50; ++i) (new QLabel(page[0]))->setObjectName(QString("lbCaption%1").arg(i));
        (new QComboBox(root.get()))->setObjectName("cbLanguage");
    }
    std::unique_ptr<QWidget> root;
};

// A full language file: every key of a built-in table, as a translator
// would write it, plus the names of a few controls without built-in keys.
QByteArray FileFor(const TranslationTable& table, const char* language) {
    QByteArray bytes = "\xEF\xBB\xBF; benchmark language\n[Language]\n";
    for (const TranslationEntry& entry : table.entries) {
        QByteArray text(entry.text.data(), static_cast<qsizetype>(entry.text.size()));
        if (entry.key == "Language") text = language;
        bytes += QByteArray(entry.key.data(), static_cast<qsizetype>(entry.key.size())) + " = " +
                 text.replace("\r", "\\r") + "\n";
    }
    bytes += "TabSheet1=Modem\nrgIN1=IN1\n";
    return bytes;
}

class Fixture {
public:
    explicit Fixture(bool withFiles) : m_previous(QDir::currentPath()) {
        QDir::setCurrent(m_dir.path());
        if (withFiles) {
            Write("hu.ini", FileFor(HungarianTable(), "Magyar (file)"));
            Write("cz.ini", FileFor(CzechTable(), "Čeština (file)"));
        }
        manager = std::make_unique<LangMan>(window.root.get());
    }
    ~Fixture() { QDir::setCurrent(m_previous); }

    Window window;
    std::unique_ptr<LangMan> manager;

private:
    void Write(const char* name, const QByteArray& bytes) {
        QFile file(m_dir.filePath(name));
        if (file.open(QIODevice::WriteOnly)) file.write(bytes);
    }
    QTemporaryDir m_dir;
    QString m_previous;
};

// Alternates two languages so every apply really changes every caption.
void ApplyLanguage(benchmark::State& state, bool withFiles) {
    Fixture fixture(withFiles);
    const QString codes[] = {"hu", "cz"};
    int i = 0;
    for (auto _ : state) fixture.manager->ApplyLanguage(codes[i++ % 2]);
    state.counters["controls"] = static_cast<double>(fixture.manager->controls().size());
}

// The same walk with the file read for every control, for comparison.
void LookupPerControl(benchmark::State& state) {
    Fixture fixture(true);
    fixture.manager->ApplyLanguage("hu");
    const QString codes[] = {"hu", "cz"};
    const TranslationTable* tables[] = {&HungarianTable(), &CzechTable()};
    int i = 0;
    for (auto _ : state) {
        const int k = i++ % 2;
        for (const auto& control : fixture.manager->controls())
            benchmark::DoNotOptimize(LookupText(codes[k], tables[k], control->objectName()));
    }
    state.counters["controls"] = static_cast<double>(fixture.manager->controls().size());
}

BENCHMARK_CAPTURE(ApplyLanguage, without_language_file, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ApplyLanguage, with_language_file, true)->Unit(benchmark::kMillisecond);
BENCHMARK(LookupPerControl)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
