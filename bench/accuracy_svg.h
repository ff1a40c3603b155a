// An SVG picture of a verification test: genuine and impostor score
// histograms on the left (each class normalised on its own), the DET curve
// (FNMR against FMR on normal-deviate axes) on the right, with the EER and
// the marked operating points and their thresholds on both, and a footer
// naming the SDK revision and the data set.
#ifndef RIDGESDK_BENCH_ACCURACY_SVG_H
#define RIDGESDK_BENCH_ACCURACY_SVG_H

#include "accuracy_metrics.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>
#include <string>
#include <vector>

namespace ridge_eval {

// An operating point to mark on both panels, e.g. the one at FMR 1%.
struct MarkedPoint {
    std::string name; // "FMR 1%"
    OperatingPoint point;
};

struct PictureFacts {
    std::string title;                      // first line of the heading
    std::string subtitle;                   // second line: the figures
    std::string footer;                     // SDK revision and data set
    std::vector<double> genuine, impostor;  // scores
    std::vector<OperatingPoint> curve;
    EqualErrorRate eer{};
    std::vector<MarkedPoint> marks;         // at most three are labelled
};

namespace svg_detail {

inline std::string num(double v)
{
    char b[32];
    std::snprintf(b, sizeof b, "%.1f", v);
    return b;
}

inline std::string escape(const std::string &text)
{
    std::string out;
    for (char c : text) {
        if (c == '<') out += "&lt;";
        else if (c == '>') out += "&gt;";
        else if (c == '&') out += "&amp;";
        else out += c;
    }
    return out;
}

inline std::string text(double x, double y, const std::string &s, const char *anchor = "middle",
                        int size = 12, const char *extra = "")
{
    return "<text x=\"" + num(x) + "\" y=\"" + num(y) + "\" font-size=\"" + std::to_string(size) +
           "\" text-anchor=\"" + anchor + "\" " + extra + ">" + escape(s) + "</text>\n";
}

inline std::string line(double x1, double y1, double x2, double y2, const char *style)
{
    return "<line x1=\"" + num(x1) + "\" y1=\"" + num(y1) + "\" x2=\"" + num(x2) + "\" y2=\"" + num(y2) +
           "\" " + style + "/>\n";
}

// Rates as the figures give them: two decimals.
inline std::string rate(double share)
{
    char b[32];
    std::snprintf(b, sizeof b, "%.2f%%", share * 100);
    return b;
}

inline std::string score_text(double score)
{
    char b[32];
    std::snprintf(b, sizeof b, "%.2f", score);
    return b;
}

// Axis ticks: as few digits as the tick needs.
inline std::string percent(double share)
{
    char b[32];
    if (share < 0.001)
        std::snprintf(b, sizeof b, "%.2g%%", share * 100);
    else if (share < 0.01)
        std::snprintf(b, sizeof b, "%.1f%%", share * 100);
    else
        std::snprintf(b, sizeof b, "%.0f%%", share * 100);
    return b;
}

struct Box {
    double x, y, w, h;
};

// Histograms of both score lists: bars of width 2.5 score units, heights
// on a square-root scale so that the impostor pile at low scores and the
// spread of genuine scores show together.
inline std::string histograms(const PictureFacts &f, const Box &box)
{
    double top_score = 130.0;
    for (double s : f.genuine) top_score = std::max(top_score, s);
    for (double s : f.impostor) top_score = std::max(top_score, s);
    top_score = std::ceil(top_score / 10.0) * 10.0;
    const double width = 2.5;
    const int bins = static_cast<int>(top_score / width);
    const std::vector<double> g = histogram(f.genuine, width, bins), im = histogram(f.impostor, width, bins);
    const double top_share = std::max(*std::max_element(g.begin(), g.end()),
                                      *std::max_element(im.begin(), im.end()));
    auto sx = [&](double score) { return box.x + box.w * score / top_score; };
    auto sy = [&](double share) { return box.y + box.h - box.h * std::sqrt(share / top_share); };

    std::string out = "<rect x=\"" + num(box.x) + "\" y=\"" + num(box.y) + "\" width=\"" + num(box.w) +
                      "\" height=\"" + num(box.h) + "\" fill=\"none\" stroke=\"#444\"/>\n";
    for (double share : {0.001, 0.01, 0.05, 0.1, 0.25, 0.5, 1.0}) {
        if (share > top_share * 1.0001)
            continue;
        out += line(box.x, sy(share), box.x + box.w, sy(share), "stroke=\"#ddd\"");
        out += text(box.x - 6, sy(share) + 4, percent(share), "end", 11);
    }
    for (double s = 0; s <= top_score + 1e-9; s += 10) {
        out += line(sx(s), box.y + box.h, sx(s), box.y + box.h + 5, "stroke=\"#444\"");
        out += text(sx(s), box.y + box.h + 18, num(s).substr(0, num(s).size() - 2), "middle", 11);
    }
    auto bars = [&](const std::vector<double> &shares, const char *colour) {
        std::string b;
        for (int k = 0; k < bins; ++k) {
            const double v = shares[static_cast<size_t>(k)];
            if (v <= 0)
                continue;
            b += "<rect x=\"" + num(sx(k * width)) + "\" y=\"" + num(sy(v)) + "\" width=\"" +
                 num(sx(width) - sx(0)) + "\" height=\"" + num(box.y + box.h - sy(v)) + "\" fill=\"" +
                 colour + "\" fill-opacity=\"0.55\"/>\n";
        }
        return b;
    };
    out += bars(im, "#d62728");
    out += bars(g, "#1f77b4");
    // Thresholds: the EER's and those of the marked operating points.
    struct Threshold {
        double score;
        std::string label;
        const char *style;
    };
    std::vector<Threshold> thresholds;
    if (std::isfinite(f.eer.threshold))
        thresholds.push_back({f.eer.threshold, "EER", "stroke=\"#333\" stroke-dasharray=\"5,4\""});
    for (const MarkedPoint &m : f.marks)
        if (std::isfinite(m.point.threshold))
            thresholds.push_back({m.point.threshold, m.name, "stroke=\"#9467bd\" stroke-dasharray=\"2,3\""});
    double label_y = box.y + 14;
    for (const Threshold &t : thresholds) {
        if (t.score > top_score)
            continue;
        out += line(sx(t.score), box.y, sx(t.score), box.y + box.h, t.style);
        out += text(sx(t.score) + 4, label_y, t.label + " threshold " + score_text(t.score), "start", 11);
        label_y += 14;
    }
    out += text(box.x + box.w / 2, box.y + box.h + 36, "score", "middle", 12);
    const auto rotated = [&](double x) {
        return "transform=\"rotate(-90 " + num(x) + " " + num(box.y + box.h / 2) + ")\"";
    };
    out += text(box.x - 62, box.y + box.h / 2, "share within each class (square-root scale)", "middle", 12,
                rotated(box.x - 62).c_str());
    out += text(box.x - 47, box.y + box.h / 2, "each class normalised on its own", "middle", 11,
                rotated(box.x - 47).c_str());
    out += "<rect x=\"" + num(box.x + box.w - 150) + "\" y=\"" + num(box.y + 26) +
           "\" width=\"12\" height=\"12\" fill=\"#1f77b4\" fill-opacity=\"0.55\"/>\n";
    out += text(box.x + box.w - 132, box.y + 36, "genuine (" + std::to_string(f.genuine.size()) + ")", "start", 11);
    out += "<rect x=\"" + num(box.x + box.w - 150) + "\" y=\"" + num(box.y + 44) +
           "\" width=\"12\" height=\"12\" fill=\"#d62728\" fill-opacity=\"0.55\"/>\n";
    out += text(box.x + box.w - 132, box.y + 54, "impostor (" + std::to_string(f.impostor.size()) + ")", "start",
                11);
    return out;
}

// Where the segment from inside the box to a point outside it crosses the
// box's edge (screen coordinates).
inline void edge_crossing(const Box &box, double x0, double y0, double x1, double y1, double *x, double *y)
{
    double t = 1.0;
    auto limit = [&](double from, double to, double edge) {
        if (to != from) {
            const double u = (edge - from) / (to - from);
            if (u >= 0 && u < t)
                t = u;
        }
    };
    if (x1 < box.x)
        limit(x0, x1, box.x);
    if (x1 > box.x + box.w)
        limit(x0, x1, box.x + box.w);
    if (y1 < box.y)
        limit(y0, y1, box.y);
    if (y1 > box.y + box.h)
        limit(y0, y1, box.y + box.h);
    *x = x0 + (x1 - x0) * t;
    *y = y0 + (y1 - y0) * t;
}

inline std::string diamond(double x, double y, double r, const char *fill)
{
    return "<path d=\"M" + num(x) + "," + num(y - r) + " L" + num(x + r) + "," + num(y) + " L" + num(x) + "," +
           num(y + r) + " L" + num(x - r) + "," + num(y) + " Z\" fill=\"" + fill + "\" stroke=\"#333\"/>\n";
}

// DET curve: both axes in normal deviates from 0.01% to 50%. Only points
// where both rates are measurable (neither 0 nor 100%) are drawn, clipped
// to the plot; an open circle marks the last point before a rate falls to
// 0, a cross where the curve leaves the plot across an edge.
inline std::string det_curve(const PictureFacts &f, const Box &box)
{
    const double low = 1e-4, high = 0.5;
    const double qlow = normal_quantile(low), qhigh = normal_quantile(high);
    auto place = [&](double p) { return (normal_quantile(p) - qlow) / (qhigh - qlow); };
    auto sx = [&](double fmr) { return box.x + box.w * place(fmr); };
    auto sy = [&](double fnmr) { return box.y + box.h - box.h * place(fnmr); };
    auto measurable = [](const OperatingPoint &p) { return p.fmr > 0 && p.fmr < 1 && p.fnmr > 0 && p.fnmr < 1; };
    auto inside = [&](const OperatingPoint &p) {
        return measurable(p) && p.fmr >= low && p.fmr <= high && p.fnmr >= low && p.fnmr <= high;
    };

    std::string out = "<rect x=\"" + num(box.x) + "\" y=\"" + num(box.y) + "\" width=\"" + num(box.w) +
                      "\" height=\"" + num(box.h) + "\" fill=\"none\" stroke=\"#444\"/>\n";
    out += "<clipPath id=\"det-plot\"><rect x=\"" + num(box.x) + "\" y=\"" + num(box.y) + "\" width=\"" +
           num(box.w) + "\" height=\"" + num(box.h) + "\"/></clipPath>\n";
    for (double p : {1e-4, 1e-3, 0.01, 0.02, 0.05, 0.1, 0.2, 0.5}) {
        out += line(sx(p), box.y, sx(p), box.y + box.h, "stroke=\"#ddd\"");
        out += line(box.x, sy(p), box.x + box.w, sy(p), "stroke=\"#ddd\"");
        out += text(sx(p), box.y + box.h + 18, percent(p), "middle", 11);
        out += text(box.x - 6, sy(p) + 4, percent(p), "end", 11);
    }
    out += line(sx(low), sy(low), sx(high), sy(high), "stroke=\"#999\" stroke-dasharray=\"4,4\"");

    // The measurable points are one run of thresholds: FMR falls and FNMR
    // rises along the curve.
    std::string points;
    std::size_t first_inside = f.curve.size(), last_inside = f.curve.size();
    for (std::size_t k = 0; k < f.curve.size(); ++k) {
        const OperatingPoint &p = f.curve[k];
        if (!measurable(p))
            continue;
        points += num(sx(p.fmr)) + "," + num(sy(p.fnmr)) + " ";
        if (inside(p)) {
            if (first_inside == f.curve.size())
                first_inside = k;
            last_inside = k;
        }
    }
    if (!points.empty())
        out += "<polyline points=\"" + points +
               "\" fill=\"none\" stroke=\"#2ca02c\" stroke-width=\"2\" clip-path=\"url(#det-plot)\"/>\n";
    // Each end: an open circle before a rate of 0 (or 100%), a cross where
    // the curve crosses an edge.
    if (first_inside < f.curve.size()) {
        for (const auto &end : {std::make_pair(first_inside, -1), std::make_pair(last_inside, 1)}) {
            const OperatingPoint &p = f.curve[end.first];
            const long beyond_index = long(end.first) + end.second;
            const bool has_beyond = beyond_index >= 0 && beyond_index < long(f.curve.size());
            const OperatingPoint *beyond = has_beyond ? &f.curve[std::size_t(beyond_index)] : nullptr;
            if (beyond != nullptr && measurable(*beyond)) {
                double x = 0, y = 0;
                edge_crossing(box, sx(p.fmr), sy(p.fnmr), sx(beyond->fmr), sy(beyond->fnmr), &x, &y);
                out += line(x - 4, y - 4, x + 4, y + 4, "stroke=\"#2ca02c\" stroke-width=\"2\"");
                out += line(x - 4, y + 4, x + 4, y - 4, "stroke=\"#2ca02c\" stroke-width=\"2\"");
                continue;
            }
            out += "<circle cx=\"" + num(sx(p.fmr)) + "\" cy=\"" + num(sy(p.fnmr)) +
                   "\" r=\"4\" fill=\"white\" stroke=\"#2ca02c\" stroke-width=\"2\"/>\n";
            // What the thresholds beyond this side give: above this point's
            // threshold nothing changes until the next score; below it, only
            // at the next lower score.
            if (beyond == nullptr)
                continue;
            if (end.second > 0)
                out += text(sx(p.fmr) + 4, sy(p.fnmr) - 8,
                            (beyond->fmr <= 0 ? "FMR 0 above " : "FNMR 100% above ") + score_text(p.threshold),
                            "start", 10);
            else
                out += text(sx(p.fmr) + 6, sy(p.fnmr) + 18,
                            (beyond->fnmr <= 0 ? "FNMR 0 at " : "FMR 100% at ") + score_text(beyond->threshold) +
                                " and below",
                            "end", 10);
        }
    } else {
        out += text(box.x + box.w / 2, box.y + box.h / 2, "no point with both rates measurable", "middle", 12);
    }

    // Legend in the upper right, where the curve never goes.
    double legend_y = box.y + 18;
    const double legend_x = box.x + box.w - 200;
    if (f.eer.rate > 0 && f.eer.rate >= low && f.eer.rate <= high) {
        out += "<circle cx=\"" + num(sx(f.eer.rate)) + "\" cy=\"" + num(sy(f.eer.rate)) +
               "\" r=\"4\" fill=\"#333\"/>\n";
        out += text(sx(f.eer.rate) + 8, sy(f.eer.rate) - 6, "EER " + rate(f.eer.rate), "start", 11);
    }
    out += "<circle cx=\"" + num(legend_x) + "\" cy=\"" + num(legend_y - 4) + "\" r=\"4\" fill=\"#333\"/>\n";
    out += text(legend_x + 10, legend_y, "EER " + rate(f.eer.rate) + " at threshold " + score_text(f.eer.threshold),
                "start", 11);
    const char *fills[] = {"#9467bd", "white", "#ccc"};
    for (std::size_t k = 0; k < f.marks.size() && k < 3; ++k) {
        const OperatingPoint &p = f.marks[k].point;
        legend_y += 16;
        out += diamond(legend_x, legend_y - 4, 5, fills[k]);
        out += text(legend_x + 10, legend_y,
                    f.marks[k].name + ": threshold " + score_text(p.threshold) + ", FNMR " + rate(p.fnmr), "start",
                    11);
        // On the curve, or on the edge of a rate that is 0.
        const double x = p.fmr > 0 ? sx(std::max(low, std::min(high, p.fmr))) : box.x;
        const double y = p.fnmr > 0 ? sy(std::max(low, std::min(high, p.fnmr))) : box.y + box.h;
        out += diamond(x, y, 5, fills[k]);
    }
    out += text(box.x + box.w / 2, box.y + box.h + 36, "FMR (false match rate)", "middle", 12);
    out += text(box.x - 48, box.y + box.h / 2, "FNMR (false non-match rate)", "middle", 12,
                ("transform=\"rotate(-90 " + num(box.x - 48) + " " + num(box.y + box.h / 2) + ")\"").c_str());
    return out;
}

} // namespace svg_detail

inline std::string accuracy_svg(const PictureFacts &f)
{
    using namespace svg_detail;
    std::string out = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"1060\" height=\"500\" "
                      "font-family=\"Helvetica, Arial, sans-serif\">\n"
                      "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
    out += text(530, 26, f.title, "middle", 16, "font-weight=\"bold\"");
    out += text(530, 46, f.subtitle, "middle", 12);
    out += text(290, 78, "Score distributions", "middle", 13);
    out += text(800, 78, "DET curve", "middle", 13);
    out += histograms(f, Box{80, 90, 420, 340});
    out += det_curve(f, Box{610, 90, 380, 340});
    if (!f.footer.empty())
        out += text(530, 492, f.footer, "middle", 11, "fill=\"#555\"");
    out += "</svg>\n";
    return out;
}

} // namespace ridge_eval

#endif
