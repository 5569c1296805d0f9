// What building the catalogue costs: reading the data files, and the menu bar from them.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMenuBar>

#include "core/catalogue/catalogue.h"
#include "core/catalogue/embedded_data.h"

namespace {

void BM_ReadCatalogue(benchmark::State& state) {
    std::vector<std::string_view> texts;
    for (const auto& f : qc::embeddedCatalogueFiles()) texts.push_back(f.text);
    for (auto _ : state) benchmark::DoNotOptimize(qc::Catalogue::parse(texts));
}
BENCHMARK(BM_ReadCatalogue)->Unit(benchmark::kMillisecond);

void add(QMenu* menu, const qc::Entry& group) {
    for (const qc::Entry& e : group.children) {
        if (!e.visible) continue;
        if (e.isGroup()) add(menu->addMenu(QString::fromStdString(e.caption)), e);
        else menu->addAction(QString::fromStdString(e.caption));
    }
}

void BM_BuildMenuBar(benchmark::State& state) {
    const qc::Catalogue& c = qc::Catalogue::builtIn();
    for (auto _ : state) {
        QMenuBar bar;
        for (const qc::Entry& m : c.menus())
            if (m.visible) add(bar.addMenu(QString::fromStdString(m.caption)), m);
        benchmark::DoNotOptimize(bar.actions().size());
    }
}
BENCHMARK(BM_BuildMenuBar)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
