// An SVG picture of a verification test: genuine and impostor score
// histograms on the left, the DET curve (FNMR against FMR on normal-deviate
// axes) on the right.
#ifndef RIDGESDK_BENCH_ACCURACY_SVG_H
#define RIDGESDK_BENCH_ACCURACY_SVG_H

#include "accuracy_metrics.h"

#include <cstdio>
#include <string>
#include <vector>

namespace ridge_eval {

struct PictureFacts {
    std::string title;                      // first line of the heading
    std::string subtitle;                   // second line: the figures
    std::vector<double> genuine, impostor;  // scores
    std::vector<OperatingPoint> curve;
    EqualErrorRate eer{};
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
    if (std::isfinite(f.eer.threshold) && f.eer.threshold <= top_score) {
        out += line(sx(f.eer.threshold), box.y, sx(f.eer.threshold), box.y + box.h,
                    "stroke=\"#333\" stroke-dasharray=\"5,4\"");
        out += text(sx(f.eer.threshold) + 4, box.y + 14, "EER threshold " + num(f.eer.threshold), "start", 11);
    }
    out += text(box.x + box.w / 2, box.y + box.h + 36, "score", "middle", 12);
    out += text(box.x - 48, box.y + box.h / 2, "share of comparisons (square-root scale)", "middle", 12,
                ("transform=\"rotate(-90 " + num(box.x - 48) + " " + num(box.y + box.h / 2) + ")\"").c_str());
    out += "<rect x=\"" + num(box.x + box.w - 150) + "\" y=\"" + num(box.y + 26) +
           "\" width=\"12\" height=\"12\" fill=\"#1f77b4\" fill-opacity=\"0.55\"/>\n";
    out += text(box.x + box.w - 132, box.y + 36, "genuine (" + std::to_string(f.genuine.size()) + ")", "start", 11);
    out += "<rect x=\"" + num(box.x + box.w - 150) + "\" y=\"" + num(box.y + 44) +
           "\" width=\"12\" height=\"12\" fill=\"#d62728\" fill-opacity=\"0.55\"/>\n";
    out += text(box.x + box.w - 132, box.y + 54, "impostor (" + std::to_string(f.impostor.size()) + ")", "start",
                11);
    return out;
}

// DET curve: both axes in normal deviates from 0.01% to 50%; rates of 0
// are drawn on the lower edge.
inline std::string det_curve(const PictureFacts &f, const Box &box)
{
    const double low = 1e-4, high = 0.5;
    const double qlow = normal_quantile(low), qhigh = normal_quantile(high);
    auto place = [&](double p) { return (normal_quantile(std::max(low, std::min(high, p))) - qlow) / (qhigh - qlow); };
    auto sx = [&](double fmr) { return box.x + box.w * place(fmr); };
    auto sy = [&](double fnmr) { return box.y + box.h - box.h * place(fnmr); };

    std::string out = "<rect x=\"" + num(box.x) + "\" y=\"" + num(box.y) + "\" width=\"" + num(box.w) +
                      "\" height=\"" + num(box.h) + "\" fill=\"none\" stroke=\"#444\"/>\n";
    for (double p : {1e-4, 1e-3, 0.01, 0.02, 0.05, 0.1, 0.2, 0.5}) {
        out += line(sx(p), box.y, sx(p), box.y + box.h, "stroke=\"#ddd\"");
        out += line(box.x, sy(p), box.x + box.w, sy(p), "stroke=\"#ddd\"");
        out += text(sx(p), box.y + box.h + 18, percent(p), "middle", 11);
        out += text(box.x - 6, sy(p) + 4, percent(p), "end", 11);
    }
    out += line(sx(low), sy(low), sx(high), sy(high), "stroke=\"#999\" stroke-dasharray=\"4,4\"");
    std::string points;
    for (const OperatingPoint &p : f.curve)
        points += num(sx(p.fmr)) + "," + num(sy(p.fnmr)) + " ";
    out += "<polyline points=\"" + points + "\" fill=\"none\" stroke=\"#2ca02c\" stroke-width=\"2\"/>\n";
    out += "<circle cx=\"" + num(sx(f.eer.rate)) + "\" cy=\"" + num(sy(f.eer.rate)) +
           "\" r=\"4\" fill=\"#333\"/>\n";
    out += text(sx(f.eer.rate) + 8, sy(f.eer.rate) - 6, "EER " + percent(f.eer.rate), "start", 11);
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
    out += "</svg>\n";
    return out;
}

} // namespace ridge_eval

#endif
