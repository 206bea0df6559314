// Paints the images of the command-object views and writes them as PNG
// files: one 64-pixel image per operation category and the 32-pixel image
// of a managed object. The files are committed under src/userobj/cmdviews/icons and
// compiled into the module from CmdIcons.qrc; run this again only to change
// their look:
//   cmake --build build --target make_cmd_icons
//   build/bin/make_cmd_icons src/userobj/cmdviews/icons
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <cstdio>
#include <functional>

namespace {

using Glyph = std::function<void(QPainter&)>;

QPen GlyphPen(qreal width = 5.0) { return QPen(Qt::white, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin); }

// A rounded tile in the category's colour with a white glyph on it; a batch
// operation shows two more tiles stacked behind.
QImage Tile(QColor colour, bool batch, const Glyph& glyph) {
    QImage img(64, 64, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF front = batch ? QRectF(4, 12, 48, 48) : QRectF(6, 6, 52, 52);
    if (batch) {
        for (int i = 2; i >= 1; --i) {
            p.setPen(QPen(colour.darker(160), 1.5));
            p.setBrush(colour.lighter(100 + 25 * i));
            p.drawRoundedRect(front.translated(5 * i, -5 * i), 9, 9);
        }
    }
    QLinearGradient g(front.topLeft(), front.bottomLeft());
    g.setColorAt(0, colour.lighter(125));
    g.setColorAt(1, colour.darker(115));
    p.setPen(QPen(colour.darker(160), 1.5));
    p.setBrush(g);
    p.drawRoundedRect(front, 9, 9);
    p.translate(front.center());
    p.scale(front.width() / 52.0, front.height() / 52.0);
    glyph(p);
    return img;
}

void Plus(QPainter& p) {
    p.setPen(GlyphPen(7));
    p.drawLine(QPointF(-13, 0), QPointF(13, 0));
    p.drawLine(QPointF(0, -13), QPointF(0, 13));
}

void Minus(QPainter& p) {
    p.setPen(GlyphPen(7));
    p.drawLine(QPointF(-13, 0), QPointF(13, 0));
}

void Pencil(QPainter& p) {
    p.rotate(-45);
    p.setPen(QPen(Qt::white, 2));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(-10, -5, 22, 10));
    QPainterPath tip;
    tip.moveTo(-10, -5);
    tip.lineTo(-19, 0);
    tip.lineTo(-10, 5);
    tip.closeSubpath();
    p.drawPath(tip);
    p.drawRoundedRect(QRectF(14, -5, 5, 10), 1.5, 1.5);
}

void Magnifier(QPainter& p) {
    p.setPen(GlyphPen(5));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(-4, -4), 10, 10);
    p.setPen(GlyphPen(7));
    p.drawLine(QPointF(4, 4), QPointF(14, 14));
}

void Padlock(QPainter& p, bool open) {
    p.setPen(GlyphPen(4.5));
    p.setBrush(Qt::NoBrush);
    QPainterPath shackle;
    const qreal shift = open ? -12 : 0;
    shackle.moveTo(-8 + (open ? 0 : 0), -1);
    shackle.lineTo(-8, -8);
    shackle.arcTo(QRectF(-8, -17, 16, 18), 180, -180);
    shackle.lineTo(8, -1 + (open ? shift / 2 : 0));
    p.save();
    if (open) p.translate(9, -3);
    p.drawPath(shackle);
    p.restore();
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(-13, -2, 26, 19), 3, 3);
}

void ResetArrow(QPainter& p) {
    p.setPen(GlyphPen(5));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(-14, -14, 28, 28), 100 * 16, 290 * 16);
    // The arrow head at the open end of the circle (top).
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    QPainterPath head;
    head.moveTo(-4, -22);
    head.lineTo(8, -14);
    head.lineTo(-4, -6);
    head.closeSubpath();
    p.drawPath(head);
}

void TestProbe(QPainter& p) {
    // A signal trace with a tick: the line was measured.
    p.setPen(GlyphPen(4));
    QPainterPath wave;
    wave.moveTo(-18, 4);
    wave.lineTo(-10, 4);
    wave.lineTo(-6, -10);
    wave.lineTo(-1, 14);
    wave.lineTo(3, 4);
    wave.lineTo(18, 4);
    p.setBrush(Qt::NoBrush);
    p.drawPath(wave);
    p.setPen(GlyphPen(3.5));
    p.drawLine(QPointF(6, -10), QPointF(10, -5));
    p.drawLine(QPointF(10, -5), QPointF(18, -16));
}

// A managed object: a box seen from above a corner.
QImage ObjectImage() {
    QImage img(32, 32, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 60, 90), 1.2));
    const QPointF top[] = {{16, 3}, {29, 9}, {16, 15}, {3, 9}};
    const QPointF left[] = {{3, 9}, {16, 15}, {16, 29}, {3, 23}};
    const QPointF right[] = {{16, 15}, {29, 9}, {29, 23}, {16, 29}};
    p.setBrush(QColor(150, 185, 225));
    p.drawPolygon(top, 4);
    p.setBrush(QColor(80, 120, 175));
    p.drawPolygon(left, 4);
    p.setBrush(QColor(60, 95, 150));
    p.drawPolygon(right, 4);
    return img;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_cmd_icons OUTPUT_DIR\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!out.exists() && !QDir().mkpath(out.path())) {
        std::fprintf(stderr, "make_cmd_icons: cannot create %s\n", argv[1]);
        return 1;
    }
    const QColor green(46, 150, 70), red(200, 55, 50), blue(45, 105, 190), teal(20, 140, 150),
        orange(215, 120, 20), amber(170, 140, 30), purple(120, 75, 170), olive(80, 130, 60);
    const struct {
        const char* name;
        QImage image;
    } images[] = {
        {"cmd_add", Tile(green, false, Plus)},
        {"cmd_add_batch", Tile(green, true, Plus)},
        {"cmd_remove", Tile(red, false, Minus)},
        {"cmd_remove_batch", Tile(red, true, Minus)},
        {"cmd_modify", Tile(blue, false, Pencil)},
        {"cmd_modify_batch", Tile(blue, true, Pencil)},
        {"cmd_display", Tile(teal, false, Magnifier)},
        {"cmd_block", Tile(orange, false, [](QPainter& p) { Padlock(p, false); })},
        {"cmd_unblock", Tile(amber, false, [](QPainter& p) { Padlock(p, true); })},
        {"cmd_reset", Tile(purple, false, ResetArrow)},
        {"cmd_test", Tile(olive, false, TestProbe)},
        {"cmdobj", ObjectImage()},
    };
    for (const auto& [name, image] : images) {
        const QString file = out.filePath(QString::fromLatin1(name) + QStringLiteral(".png"));
        if (!image.save(file, "PNG")) {
            std::fprintf(stderr, "make_cmd_icons: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
