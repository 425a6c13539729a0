// The catalogue table itself and the look-ups over it.
#include "engine/fractal/fractal_type.h"

#include <array>

namespace qm::fractal {

namespace {

using enum KernelFamily;
using enum JuliaUse;

// clang-format off
constexpr std::array<FractalType, 24> kCatalogue{{
    {code::Mandel, "Mandelbrot ", "zz2cMandelbrot1", "mandel", Escape, false, 0,
     "f(z)=z*z+c", Yes, true, false, true},
    {code::MandelOrder, "Mandelbrot Order ", "mandelorder1", "mandelorder", Escape, true, 0,
     "f(z)=z^n+c", Yes, true, false, true},
    {code::Logsin, "Mandelbrot Variant I ", "logsin1", "logsin", Escape, true, 0,
     "f(z)=log(sin(x^n))+c", Yes, true, false, true},
    {code::Sinzpz, "Mandelbrot Variant II ", "sinzpz1", "sinzpz", Escape, true, 0,
     "f(z)=sin((z^n)+c)+z", Yes, true, true, true},
    {code::Quartet1, "Quartet I", "Quartet1", "quartet1", Escape, true, 3,
     "z2=z; z=z^n+c; c=z2;", Yes, true, false, true},
    {code::Quartet2, "Quartet II", "quartet2", "quartet2", Escape, true, 2,
     "z2=z; z=z^n*log(z)+c c=z2;", Yes, true, false, true},
    {code::Spider, "Spider ", "Spider1", "spider", Escape, false, 0,
     "f(z)=z*z+c; c=c/2+c", No, false, false, true},
    {code::Barns, "Barnsley ", "barnsley1", "barns", Escape, false, 0,
     "f(z)=z.r*c.i+c.r*z.i  <0:z=z-1 || >0:z=z+1", Yes, false, false, true},
    {code::Ikenaga, "Ikenaga ", "Ikenaga1", "ikenaga", Escape, true, 3,
     "f(z)=z^n+z(c-1)-c", Yes, true, false, true},
    {code::Webb, "Webb I ", "Webb1", "webb", Escape, true, 4,
     "f(z)=z^n-z2+c; z2:=z", Yes, true, false, true},
    {code::WebbII, "Webb II ", "WebbII1", "webbII", Escape, true, 4,
     "f(z)=z^n+z2/2+c; z2:=z", Yes, true, false, true},
    {code::Phoenix, "Phoenix ", "Phoenix1", "phoenix", Escape, true, 2,
     "f(z)=z^n-.5*z f(z1)=z*z-.5*z2 z2=z z=z1", Yes, true, false, true},
    {code::Div1z, "Talis ", "div1z", "div1z", Escape, false, 0,
     "f(z)=((z*z)/(1+z))+c", Yes, true, true, true},
    {code::Newton, "Newton ", "newton1", "newton", Convergence, true, 3,
     "f(z)=((n-1)*z^n + 1)/(n*z^(n - 1))", No, true, false, true},
    {code::NewtonI, "Newton Variation I", "costnewton1", "newtonI", Convergence, true, 3,
     "f(z)=((n-1)*z^n + 1)/(n*z^(n - 1))+c<", No, true, false, true},
    {code::NewtonMSet1, "Newton Variation II", "NewtonMSet1", "newtonmset1", Convergence, true, 2,
     "f(z)=(((n-1)*z^n + 1)/(n*z^(n - 1)))^n*c", Yes, true, false, true},
    {code::NewtonMSet2, "Newton Variation III", "newtonmset2", "newtonmset2", Convergence, true, 2,
     "f(z)=(((n-1)*z^n + 1)/(n*z^(n - 1)))^n+c^n", Yes, true, false, true},
    {code::NewtonMSet4, "Newton Variation IV", "newtonmset4", "newtonmset4", Convergence, true, 3,
     "z=z-(z^n*c-z^(n-1)*c-1)/(n*z^(n-1)*c-z*c-z);", Yes, true, false, true},
    {code::NewtonMSet5, "Newton Variation V", "newtonmset5", "newtonmset5", Convergence, true, 3,
     "z-(z*z*z*z*c-z+c)/(4*z*z*z*c)", Yes, true, true, true},
    {code::Nova, "Derbyshire Nova ", "Nova1", "nova", Convergence, true, 2,
     "f(z)=z-(z^n-1)/(z*n*z^(n-1))+c; z(0)=+1;", Yes, true, false, true},
    {code::NovaVar1, "Nova Variation I", "NovaVar1", "novavar1", Convergence, true, 3,
     "z=z^(n-1); z=z-(z*z1-z)/(n*z1-1)+c;", Special, true, false, true},
    {code::NovaVar2, "Nova Variation II", "novavar2", "novavar2", Convergence, true, 3,
     "z=z^(n-1); z=z-(z*z1-z)/(4*z1-1)+(c*z1);", Yes, true, true, true},
    {code::Off, "Fractals Off", "FractalsOff1", "off", None, false, 0,
     "", No, false, false, true},
    {code::Test, "TEST", "TEST1", "", Escape, false, 0,
     "", Yes, true, false, false},
}};

constexpr std::array<int, 23> kPriority{
    code::Test, code::Quartet2, code::Quartet1, code::NewtonMSet5, code::NewtonMSet4,
    code::NovaVar2, code::NovaVar1, code::NewtonMSet2, code::NewtonMSet1, code::Nova,
    code::Phoenix, code::NewtonI, code::Newton, code::WebbII, code::Webb, code::Ikenaga,
    code::Sinzpz, code::MandelOrder, code::Logsin, code::Div1z, code::Spider, code::Barns,
    code::Mandel};
// clang-format on

} // namespace

std::span<const FractalType> catalogue() {
    return kCatalogue;
}

const FractalType* findByCode(int c) {
    for (const auto& t : kCatalogue)
        if (t.code == c) return &t;
    return nullptr;
}

const FractalType* findByIdentifier(std::string_view identifier) {
    if (identifier.empty()) return nullptr;
    for (const auto& t : kCatalogue)
        if (identifier == t.identifier) return &t;
    return nullptr;
}

const FractalType* findByItemName(std::string_view itemName) {
    for (const auto& t : kCatalogue)
        if (itemName == t.itemName) return &t;
    return nullptr;
}

std::span<const int> getFTypePriority() {
    return kPriority;
}

int get_f_type(const std::function<bool(const FractalType&)>& isChecked) {
    for (int c : kPriority)
        if (isChecked(*findByCode(c))) return c;
    return code::Off;
}

} // namespace qm::fractal
