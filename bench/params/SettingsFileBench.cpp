// Open and save of a settings file over a window of the catalogue's 205
// controls: a file as the program writes it (about 5 kB), and one of 1 MiB,
// the largest accepted, whose 205 entries sit below 1 MiB of foreign
// sections and comments. Each open reads every row's entry; each save writes
// all 205 into the existing file.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QByteArray>
#include <QComboBox>
#include <QFile>
#include <QTemporaryDir>
#include <QWidget>
#include <string>

#include "params/ControlCodec.h"
#include "params/ControlDesc.h"
#include "params/SettingsFile.h"
#include "ui/RadioGroup.h"

namespace {

using namespace varnex;

constexpr qint64 kLarge = 1024 * 1024;

// One control per catalogue row, each holding a value other than its
// default (texts with Central European letters), as a configured window does.
struct Window {
    Window() {
        for (const auto& row : ParameterCatalogue()) {
            QWidget* control = CreateCatalogueControl(row, &root);
            if (auto* combo = qobject_cast<QComboBox*>(control)) combo->addItems({"a", "b", "c"});
            if (auto* group = qobject_cast<RadioGroup*>(control)) group->setItems({"a", "b", "c"});
            QString value = QString::fromStdString(row.defaultValue);
            if (row.kind == ControlKind::Edit) value = QString::fromStdString(row.control) + QString::fromUtf8(" őž");
            if (row.kind == ControlKind::CheckBox) value = row.defaultValue == "0" ? "1" : "0";
            if (row.kind == ControlKind::ComboBox || row.kind == ControlKind::RadioGroup) value = "2";
            SetControlValue(control, value);
        }
        parameters = BuildParameterList(&root);
    }
    QWidget root;
    ControlDescList parameters;
};

// The window's own save, then (for the large file) foreign lines before the
// section up to the size wanted.
QString MakeFile(const QTemporaryDir& dir, Window& ui, bool large) {
    const QString path = dir.filePath(large ? "large.ini" : "normal.ini");
    SaveSettingsFile(path, ui.parameters);
    if (!large) return path;
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    const QByteArray settings = f.readAll();
    f.close();
    QByteArray foreign = "; installer notes\r\n[Site]\r\n";
    for (int i = 0; foreign.size() + settings.size() < kLarge - 64; ++i)
        foreign += "note" + QByteArray::number(i) + "=Cabinet " + QByteArray::number(i % 97) + ", zone 2, checked\r\n";
    foreign += QByteArray(kLarge - foreign.size() - settings.size() - 2, ';') + "\r\n";
    f.open(QIODevice::WriteOnly);
    f.write(foreign + settings);
    return path;
}

void Open(benchmark::State& state, bool large) {
    QTemporaryDir dir;
    Window ui;
    const QString path = MakeFile(dir, ui, large);
    if (!OpenSettingsFile(path, ui.parameters).startsWith("Opened 205 settings")) state.SkipWithError("not all read");
    for (auto _ : state) benchmark::DoNotOptimize(OpenSettingsFile(path, ui.parameters));
    state.counters["bytes"] = static_cast<double>(QFile(path).size());
}

void Save(benchmark::State& state, bool large) {
    QTemporaryDir dir;
    Window ui;
    const QString path = MakeFile(dir, ui, large);
    for (auto _ : state) benchmark::DoNotOptimize(SaveSettingsFile(path, ui.parameters));
    state.counters["bytes"] = static_cast<double>(QFile(path).size());
}

BENCHMARK_CAPTURE(Open, normal_file, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Save, normal_file, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Open, one_mib_file, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Save, one_mib_file, true)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
