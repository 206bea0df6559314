// Paints the client's application icon, a list of subscribers on a switch
// tile, at each size asked for, into the hicolor theme layout:
//   make_app_icon OUTDIR 16 32 48 ...   writes OUTDIR/NxN/apps/omclient.png
// The drawing is vector work on a 256-unit canvas, so every size is drawn,
// not scaled from another.
#include <QDir>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QString>

#include <cstdio>

namespace {

QImage Icon(int size) {
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 256.0, size / 256.0);

    // The tile: a rounded square in the client's blue.
    const QRectF tile(12, 12, 232, 232);
    QLinearGradient g(tile.topLeft(), tile.bottomLeft());
    g.setColorAt(0, QColor(0x3f, 0x8c, 0xd9));
    g.setColorAt(1, QColor(0x1d, 0x4f, 0x8f));
    p.setPen(QPen(QColor(0x14, 0x3a, 0x6b), 6));
    p.setBrush(g);
    p.drawRoundedRect(tile, 44, 44);

    // Three rows of a list, each a subscriber: a dot and a line.
    p.setPen(Qt::NoPen);
    for (int row = 0; row < 3; ++row) {
        const qreal y = 68 + row * 60;
        p.setBrush(row == 0 ? QColor(0xff, 0xc8, 0x3d) : QColor(Qt::white));
        p.drawEllipse(QPointF(66, y), 18, 18);
        p.setBrush(QColor(255, 255, 255, row == 0 ? 255 : 215));
        p.drawRoundedRect(QRectF(100, y - 14, 112, 28), 14, 14);
    }
    return img;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: make_app_icon OUTDIR SIZE...\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    for (int i = 2; i < argc; ++i) {
        const int size = QString::fromLocal8Bit(argv[i]).toInt();
        if (size < 8 || size > 1024) {
            std::fprintf(stderr, "make_app_icon: bad size %s\n", argv[i]);
            return 2;
        }
        const QString dir = out.filePath(QStringLiteral("%1x%1/apps").arg(size));
        const QString file = dir + QStringLiteral("/omclient.png");
        if (!QDir().mkpath(dir) || !Icon(size).save(file, "PNG")) {
            std::fprintf(stderr, "make_app_icon: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
