// The help of every command, in one table so that each text sits beside its neighbours' and
// the option lists keep one shape: option lines start with two blanks and the option, which the
// bash completion reads back.
#include "cli/help_text.h"

#include "engine/fractal/fractal_type.h"

namespace qm::cli {

namespace {

struct HelpEntry {
    std::string_view command;
    const char* text;
};

// Options that render and animate share.
#define QM_HELP_RENDER_OPTIONS                                                                     \
    "  --type IDENT          the formula of the catalogue (quillmora-cli types lists them)\n"      \
    "  --view UX,LX,UY,LY    the plane rectangle: left X, right X, top Y, bottom Y\n"              \
    "                        (default -2,2,-1.5,1.5); render keeps every digit of long numbers\n"  \
    "  --julia JX,JY         Julia mode with the constant JX + JY i; render keeps every digit\n"   \
    "                        of long numbers\n"                                                    \
    "  --max N               maximum iteration count, 1 to 65535 (default 128); render takes up\n" \
    "                        to 100000000 where the deep path renders\n"                           \
    "  --bailout B           Dmax of the escape formulas, or the exponent of Dmin = 1E-B of the\n" \
    "                        convergence formulas, 1 to 65535 (default 4)\n"                       \
    "  --order N             the order n of the formulas that use it, 1 to 65535 (default 3)\n"    \
    "  --model palette|rgb|hls\n"                                                                  \
    "                        colour model: Fixed Palette (one formula indexes the gradient),\n"    \
    "                        RGB-Mode or HLS-Mode (one formula per channel)\n"                     \
    "  --formula F           the Fixed Palette formula (default i*2)\n"                            \
    "  --red F               red formula (hue in HLS-Mode)\n"                                      \
    "  --green F             green formula (lightness in HLS-Mode)\n"                              \
    "  --blue F              blue formula (saturation in HLS-Mode)\n"                              \
    "  --repeat              Repeat Palette: fold colour values beyond 0 to 255 back into the\n"   \
    "                        range instead of clamping them\n"                                     \
    "  --inside-out          Inside Out: iterate with c = 1/c\n"                                   \
    "  --flip-x              Flip X-Axis: x = -x for every pixel\n"                                \
    "  --flip-y              Flip Y-Axis: y = -y for every pixel\n"                                \
    "  --mirror              Mirror: x = |x| and y = |y| for every pixel\n"                        \
    "  --orientation RE,IM   rotate the plane by the complex factor RE + IM i (default 1,0)\n"     \
    "  --size WxH            picture size in pixels (default 320x240, or the file's)\n"            \
    "  --supersample N       anti-alias: each pixel is the mean of N x N samples, 1 to 8\n"        \
    "                        (default 1); the same as rendering N times larger and shrinking\n"    \
    "  --threads N           worker threads, 1 to 1024 (default: one per core)\n"                  \
    "  --gradient STOPS      the Fixed Palette gradient as a stop string of fifteen integers\n"    \
    "                        separated by ';' (default the Standard preset, or the file's)\n"      \
    "  --plasma-seed S       seed of the plasma (\"!\") and random (\"?\") values, for "           \
    "repeatable\n"                                                                                 \
    "                        pictures (default: from the clock)\n"                                 \
    "  --progress            print plain progress lines on stderr (for logs)\n"                    \
    "  --quiet               print no progress (a terminal otherwise shows a progress bar)\n"

#define QM_HELP_PARAMS_INPUT                                                                       \
    "  FILE.qmp              a parameter file, or a PNG or JPEG picture saved with its\n"          \
    "                        parameters embedded\n"

// clang-format off
constexpr HelpEntry kHelp[] = {
    {"animate",
     "Renders the frames of a zoom from one view to another. Frame f of N zooms steadily on\n"
     "screen: width and height shrink or grow geometrically, the centre follows, and the\n"
     "iteration count grows geometrically from FROM's Max to TO's; everything else is FROM's.\n"
     "Every frame is an independent render, so frames made by different processes or\n"
     "machines come out identical. Zooms to any depth (1E-1000 and beyond) are computed in\n"
     "high precision; their frames on the deep path share one reference orbit at the deeper\n"
     "end's centre, computed once per process.\n"
     "\n"
     "arguments:\n"
     "  FROM.qmp TO.qmp       the parameter files of the first and the last view (or PNG/JPEG\n"
     "                        pictures carrying them); PNG and JPEG frames carry their own\n"
     "                        parameters\n"
     "options:\n"
     "  --frames N            the number of frames (N = 1 renders FROM)\n"
     "  -o PATTERN            frame file names with one printf integer conversion, e.g.\n"
     "                        frames/f%05d.png; the extension picks the format\n"
     "  --frame K             render only frame K (0-based)\n"
     "  --range A:B           render only frames A to B-1\n"
     "  --size WxH            frame size in pixels (default FROM's)\n"
     "  --to-center RE,IM     with --to-width: the last view by its centre and plane width, of\n"
     "  --to-width W          any precision (W may be 1E-5000), replacing TO's view\n"
     "  --to-max N            the last view's Max instead of TO's, up to 100000000\n"
     "  --supersample S       anti-alias with S x S samples per pixel, 1 to 8 (default 1)\n"
     "  --threads T           worker threads (default: one per core)\n"
     "  --plasma-seed S       seed of the plasma (\"!\") and random (\"?\") values; frames made\n"
     "                        apart need it when a formula reads them\n"
     "  --progress            print plain progress lines on stderr (for logs)\n"
     "  --quiet               print no progress\n"},
    {"assemble",
     "Joins the band pictures of `render --band K/N` (given in any order) into the whole\n"
     "picture, streaming them. Missing, overlapping, duplicated, truncated or mismatched parts\n"
     "are an error naming the part, and no output file is written.\n"
     "\n"
     "arguments:\n"
     "  OUT                   the whole picture, PNG or PPM by its extension\n"
     "  PART...               every band of one render\n"
     "options:\n"
     "  --threads N           threads compressing the PNG, 1 to 1024 (default: one per core)\n"
     "  --progress            print plain progress lines on stderr (for logs)\n"
     "  --quiet               print no progress\n"},
    {"compile",
     "Compiles a colour formula and lists its program, one operation per line.\n"
     "\n"
     "arguments:\n"
     "  FORMULA               the formula, e.g. \"i*2\"\n"},
    {"convert",
     "Loads a picture file (its format recognised by content) and saves it in the format of\n"
     "OUT's extension: bmp, jpg, png, pbm, pgm or ppm.\n"
     "\n"
     "arguments:\n"
     "  IN                    the picture to read (BMP, DIB, JPEG, PNG, PCX, PBM, PGM, PPM)\n"
     "  OUT                   the picture to write\n"
     "options:\n"
     "  --resolution-change ignore|raise\n"
     "                        when OUT's format holds fewer colours: convert silently\n"
     "                        (ignore, the default) or fail (raise)\n"},
    {"eval",
     "Evaluates a colour formula once and prints its value; exit code 3 when the evaluation\n"
     "raises an arithmetic error.\n"
     "\n"
     "arguments:\n"
     "  FORMULA               the formula, e.g. \"sin(x)*i\"\n"
     "  LETTER=VALUE          the value of a variable (A B I S M D J K T X Y ? ! Z L R G, any\n"
     "                        case); variables not given are 0\n"},
    {"fff",
     "Exports the Fractal Fun File of a parameter file: its coordinates and the colour table\n"
     "of its gradient. The coordinates are written as doubles (15 significant digits), even\n"
     "for a deep view whose parameter file keeps more.\n"
     "\n"
     "arguments:\n"
     "  FILE.qmp              the parameter file\n"
     "  OUT.fff               the file to write\n"},
    {"filter",
     "Applies one of the Filters menu's filters to a picture file, with the settings the main\n"
     "window starts with unless --set changes them.\n"
     "\n"
     "arguments:\n"
     "  NAME                  rgb, cmy, hls, hsv, bcg (colour filters) or smooth, blur,\n"
     "                        details, sharpen, contours (convolution filters)\n"
     "  IN                    the picture to read\n"
     "  OUT                   the picture to write (format by extension)\n"
     "options:\n"
     "  --set KEY=VALUE       a setting of the filter's dialog; repeatable. Keys: rgb: Red,\n"
     "                        Green, Blue; cmy: Cyan, Magenta, Yellow; hls: H, L, S; hsv: H, S,\n"
     "                        V (percent -100 to 100, hue -180 to 180); bcg: Brightness,\n"
     "                        Contrast, Gamma (-100 to 100), UseY (0 or 1); smooth, details,\n"
     "                        sharpen: StdDeviation (hundredths, 40 to 130), Percent (10 to\n"
     "                        100); blur: Radius (hundredths, 50 to 500), Percent (10 to\n"
     "                        100); contours: StdDeviation, Percent (100 to 1000), BlackBk (0\n"
     "                        or 1)\n"
     "  --threads N           worker threads, 1 to 256 (default: one per core)\n"
     "  --progress            print plain progress lines on stderr (for logs)\n"
     "  --quiet               print no progress\n"},
    {"gradient",
     "Prints the 257 GradientTable entries of a gradient, one line each: index red green\n"
     "blue.\n"
     "\n"
     "arguments:\n"
     "  STOPSTRING            fifteen integers separated by ';' (default the Standard preset)\n"},
    {"identify",
     "Prints a picture file's format, width, height and colour resolution.\n"
     "\n"
     "arguments:\n"
     "  FILE                  the picture\n"},
    {"kernel",
     "Runs one catalogue formula's kernel on one plane point and prints the iterations\n"
     "performed, the last test value and the last z: I Z A B.\n"
     "\n"
     "arguments:\n"
     "  IDENT                 the formula (quillmora-cli types lists them)\n"
     "  X Y                   the plane point\n"
     "options:\n"
     "  --max N               maximum iteration count, 1 to 65535 (default 128)\n"
     "  --bailout B           Dmax, or the exponent of Dmin = 1E-B, 1 to 65535 (default 4)\n"
     "  --order N             the order n, 1 to 65535 (default 3)\n"
     "  --julia JX,JY         Julia mode with the constant JX + JY i\n"
     "  --inside-out          Inside Out: iterate with c = 1/c\n"
     "  --orientation RE,IM   rotate the plane by the complex factor RE + IM i (default 1,0)\n"},
    {"params",
     "Loads parameters and writes them as \"Save Parameters\" would, to stdout without -o.\n"
     "For a picture without -o it prints the parameter text the picture carries, as stored\n"
     "(exit 2 with \"No Quillmora parameters in FILE\" when it carries none).\n"
     "\n"
     "arguments:\n"
     QM_HELP_PARAMS_INPUT
     "options:\n"
     "  -o OUT.qmp            write the parameter file OUT.qmp (also --output)\n"
     "  --output OUT.qmp      the same as -o\n"},
    {"plasma",
     "Writes a generated 321 x 241 plasma cloud as a greyscale picture.\n"
     "\n"
     "options:\n"
     "  -o FILE               the picture to write (format by extension)\n"
     "  --noise N             the noise of the generator (default 2)\n"
     "  --brightness B        0 to 100 (default 50)\n"
     "  --seed S              a non-negative seed for a repeatable plasma (default: the clock)\n"},
    {"render",
     "Renders a fractal with the defaults of a new document, or the parameters of FILE, as\n"
     "the options change them, and saves the picture by OUT's extension. PNG and PPM pictures\n"
     "of any size up to 65535 pixels a side are written as the rows finish; PNG and JPEG\n"
     "pictures carry the parameter text. An interrupted render leaves no file behind.\n"
     "\n"
     "arguments:\n"
     QM_HELP_PARAMS_INPUT
     "options:\n"
     "  -o OUT                the picture to write: bmp, jpg, png, pbm, pgm or ppm\n"
     QM_HELP_RENDER_OPTIONS
     "  --band K/N            render only band K (0-based) of N equal bands of rows, as a PNG\n"
     "                        or PPM part for `assemble`; formulas reading the plasma (!)\n"
     "                        need --plasma-seed so that every band sees the same plasma\n"
     "  --no-params           do not embed the parameter text in PNG and JPEG pictures\n"
     "  --center RE,IM        with --width: the view by its centre, in the terms of --view\n"
     "                        ((UX+LX)/2, (UY+LY)/2), decimals of any length\n"
     "  --width W             the plane width of the --center view, any decimal (1E-5000 works);\n"
     "                        the height follows the picture's aspect\n"
     "  --deep auto|on|off    the deep path of mandel and mandelorder (orders 2 to 16): one\n"
     "                        reference orbit in high precision, every pixel a perturbation of\n"
     "                        it; auto (default) where doubles would show blocks, on to force it,\n"
     "                        off for the double path. Formulas reading X and Y get the nearest\n"
     "                        doubles\n"
     "  --stats               print the size, time, speed and threads of the render; on the deep\n"
     "                        path also the magnification, precision in bits, number type,\n"
     "                        reference orbit and BLA table times and the share of iterations\n"
     "                        that BLA skipped\n"},
    {"types",
     "Lists the fractal catalogue, one line each: the identifier --type takes, the menu\n"
     "caption and the formula the menu shows as its hint.\n"},
    {"help",
     "Prints the usage and every option of a command, or the list of commands.\n"
     "\n"
     "arguments:\n"
     "  COMMAND               the command to explain\n"},
};
// clang-format on

} // namespace

const char* commandHelp(std::string_view command) {
    for (const HelpEntry& e : kHelp)
        if (e.command == command) return e.text;
    return nullptr;
}

std::string fractalTypeList() {
    std::string list;
    for (const auto& t : fractal::catalogue()) {
        if (*t.identifier == '\0') continue; // the hidden test entry
        if (!list.empty()) list += ", ";
        list += t.identifier;
    }
    return list;
}

} // namespace qm::cli
