// Deep views: wall time, BLA share and peak memory of whole renders, each in its own process.
//   deep_bench [CASE...]            runs the named cases (all without names)
//   deep_bench --find-nucleus P     Newton's method for the real period-P nucleus next to -2
// Cases: flake (1280 x 960, Max 1,000,000), flake-nobla (a 320 x 240 crop of the same pixels,
// BLA off, scaled up), flake-mpfr (a 16 x 12 crop iterated per pixel in MPFR, scaled up: the
// naive floor), shallow and shallow-1e11 (the deep path forced on against the double path at
// views of width 2E-3 and 1E-11), e320 and
// e1000 (minibrots below 1E-300 and 1E-1000, centres from bench/deep_nuclei.txt).
#include "engine/fractal/deep/deep_renderer.h"
#include "engine/fractal/deep/deep_view.h"
#include "engine/fractal/deep/mp_float.h"
#include "engine/fractal/deep_oracle.h"
#include "engine/fractal/render_job.h"
#include "engine/fractal/render_language.h"
#include "engine/shared/shared_colour_data.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace qm;
using namespace qm::fractal;

const char* const kFlakeRe =
    "-1.9999661944503703041843468850635057967553124154072485151176192294480158424234268438137612"
    "9778868913812287046406560949864353810575744772166485672496092803920095332";
const char* const kFlakeIm =
    "-0.0000000000000000000000000000000003001382436790938324072497303977592498734683119077333527"
    "0174257280120474975614823581185647299288414075519224186504978181625478529";

double now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

FractalParams view(const std::string& re, const std::string& im, const std::string& width, int w,
                   int h, std::int32_t max) {
    FractalParams p;
    p.Width = w;
    p.Height = h;
    p.Max = max;
    p.deepView = deepViewFromCentre(re, im, width, w, h);
    p.setView(nearestView(p.deepView));
    p.deepMode = DeepMode::On;
    return p;
}

// The deep engine alone on every core, rows handed out from a counter.
deep::DeepStats renderDeep(const FractalParams& p, const deep::DeepOptions& options) {
    deep::DeepPicture picture(p, p.Width, p.Height, options);
    const std::atomic<std::int32_t> bailout{p.Bailout};
    std::atomic<int> next{0};
    const unsigned threads = std::max(1u, std::thread::hardware_concurrency());
    std::vector<std::thread> pool;
    for (unsigned t = 0; t < threads; ++t)
        pool.emplace_back([&] {
            KernelRow row;
            for (int y; (y = next.fetch_add(1)) < p.Height;)
                picture.renderRow(y, bailout, row);
        });
    for (auto& t : pool)
        t.join();
    return picture.stats();
}

// A whole render (kernels, formula, palette) through a render job.
double renderJob(const FractalParams& p) {
    SharedColourData shared;
    std::atomic<std::int32_t> bailout{p.Bailout};
    const auto compiler = makeRenderLanguage();
    const double start = now();
    RenderJob job(p, p.Width, p.Height, shared, bailout, *compiler, {});
    job.run({});
    return now() - start;
}

void timedDeep(const char* name, const FractalParams& p, const deep::DeepOptions& options = {},
               double scale = 1.0) {
    const double start = now();
    const deep::DeepStats s = renderDeep(p, options);
    const double seconds = now() - start;
    const double pixels = static_cast<double>(p.Width) * p.Height;
    std::printf("%-12s %9.2f s%s  magnification %s, %ld bits, %s deltas, reference %.2f s "
                "(%lld iterations), table %.2f s, mean I %.0f, BLA skipped %.2f %%, "
                "rebases %lld\n",
                name, seconds * scale, scale != 1.0 ? " (scaled)" : "",
                deep::formatMagnification(s.magnificationLog10).c_str(), s.bits,
                s.extended ? "extended" : "double", s.referenceSeconds,
                static_cast<long long>(s.referenceLength), s.tableSeconds,
                static_cast<double>(s.iterations) / pixels,
                s.iterations
                    ? 100.0 * static_cast<double>(s.skipped) / static_cast<double>(s.iterations)
                    : 0.0,
                static_cast<long long>(s.rebases));
}

// The same pixels as the 1280 x 960 Flake: a crop of w x h around the centre.
FractalParams flakeCrop(int w, int h, std::int32_t max) {
    // 1.8E-157 over 1280 columns: the crop's width keeps the pixel step.
    const double share = w / 1280.0;
    char width[64];
    std::snprintf(width, sizeof width, "%.17gE-157", 1.8 * share);
    return view(kFlakeRe, kFlakeIm, width, w, h, max);
}

std::map<std::string, std::string> nuclei() {
    std::map<std::string, std::string> found;
    std::ifstream in(QM_BENCH_DIR "/deep_nuclei.txt");
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        const auto eq = line.find('=');
        if (eq != std::string::npos) found[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return found;
}

void runCase(const std::string& name) {
    if (name == "flake") {
        timedDeep("flake", view(kFlakeRe, kFlakeIm, "1.8E-157", 1280, 960, 1000000));
    } else if (name == "flake-nobla") {
        deep::DeepOptions off;
        off.bla = false;
        timedDeep("flake-nobla", flakeCrop(320, 240, 1000000), off, 16.0);
    } else if (name == "flake-mpfr") {
        const FractalParams p = flakeCrop(16, 12, 1000000);
        const double start = now();
        qm::test::oracleCounts(p, 16, 12, 600);
        std::printf("%-12s %9.2f s (scaled from 16 x 12, one thread)\n", "flake-mpfr",
                    (now() - start) * 6400.0);
    } else if (name == "shallow" || name == "shallow-1e11") {
        // Where doubles still resolve the view: the whole double path (AVX kernels) against the
        // deep path forced on, both through render jobs.
        FractalParams p;
        p.Width = 1280;
        p.Height = 960;
        if (name == "shallow") {
            p.Max = 2000;
            p.setView({-0.7455, -0.7435, 0.1125, 0.1140});
        } else {
            p.Max = 5000;
            const double x = -0.743643887037151, y = 0.131825904205330, w = 1e-11;
            p.setView({x - w / 2, x + w / 2, y - w * 3 / 8, y + w * 3 / 8});
        }
        p.deepMode = DeepMode::Off;
        const double plain = renderJob(p);
        p.deepMode = DeepMode::On;
        const double deepOn = renderJob(p);
        std::printf("%-12s double %.2f s, deep forced on %.2f s: ratio %.2f\n", name.c_str(), plain,
                    deepOn, deepOn / plain);
    } else if (name == "e320" || name == "e1000") {
        const auto n = nuclei();
        const auto re = n.find(name + ".re"), width = n.find(name + ".width"),
                   max = n.find(name + ".max");
        if (re == n.end() || width == n.end() || max == n.end()) {
            std::printf("%-12s no centre in bench/deep_nuclei.txt\n", name.c_str());
            return;
        }
        timedDeep(name.c_str(),
                  view(re->second, "0", width->second, 1280, 960, std::stoi(max->second)));
    } else {
        std::printf("unknown case %s\n", name.c_str());
    }
}

// z_P(c) = 0 by Newton's method from c = -2 + 4^-P on the real axis, at `bits` bits; prints the
// nucleus and its size estimate 1 / |z_P'(c)|^2 ... as found.
int findNucleus(int period) {
    const mpfr_prec_t bits = static_cast<mpfr_prec_t>(period) * 5 + 128;
    deep::MpFloat c(bits), z(bits), dz(bits), t(bits), step(bits);
    mpfr_set_si(c.get(), -2, MPFR_RNDN);
    mpfr_set_ui(t.get(), 1, MPFR_RNDN);
    mpfr_mul_2si(t.get(), t.get(), -2 * period, MPFR_RNDN);
    mpfr_add(c.get(), c.get(), t.get(), MPFR_RNDN);
    for (int round = 0; round < 200; ++round) {
        mpfr_set_zero(z.get(), 1);
        mpfr_set_zero(dz.get(), 1);
        for (int k = 0; k < period; ++k) { // dz := 2 z dz + 1, z := z^2 + c
            mpfr_mul(t.get(), z.get(), dz.get(), MPFR_RNDN);
            mpfr_mul_2ui(t.get(), t.get(), 1, MPFR_RNDN);
            mpfr_add_ui(dz.get(), t.get(), 1, MPFR_RNDN);
            mpfr_sqr(z.get(), z.get(), MPFR_RNDN);
            mpfr_add(z.get(), z.get(), c.get(), MPFR_RNDN);
        }
        mpfr_div(step.get(), z.get(), dz.get(), MPFR_RNDN);
        mpfr_sub(c.get(), c.get(), step.get(), MPFR_RNDN);
        const long e = step.exponent();
        std::fprintf(stderr, "round %d: step 2^%ld\n", round, e);
        if (step.isZero() || e < -static_cast<long>(bits) + 16) break;
    }
    // Size estimate of the minibrot: 1 / |dz/dc|^2 scaled; good to a factor of a few.
    long dzExponent = dz.exponent();
    std::printf("period %d: re=%s\nsize about 2^%ld\n", period,
                deep::formatDecimal(c, static_cast<int>(bits * 0.30103)).c_str(), -2 * dzExponent);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--find-nucleus") == 0)
        return findNucleus(std::atoi(argv[2]));
    std::vector<std::string> cases;
    for (int k = 1; k < argc; ++k)
        cases.emplace_back(argv[k]);
    if (cases.empty())
        cases = {"shallow", "shallow-1e11", "flake", "flake-nobla", "flake-mpfr", "e320", "e1000"};
    std::printf("deep_bench on %u threads; each case in its own process, peak memory its own\n",
                std::thread::hardware_concurrency());
    std::fflush(stdout);
    for (const auto& name : cases) {
        const pid_t child = fork();
        if (child == 0) {
            runCase(name);
            std::fflush(stdout);
            _exit(0);
        }
        int status = 0;
        rusage usage{};
        wait4(child, &status, 0, &usage);
        std::printf("%-12s peak memory %.0f MB\n", name.c_str(), usage.ru_maxrss / 1024.0);
        std::fflush(stdout);
    }
    return 0;
}
