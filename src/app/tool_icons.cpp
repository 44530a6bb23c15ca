#include "tool_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <cmath>
#include <numbers>

namespace pk {

namespace {

const QColor kInk(0x33, 0x3d, 0x4f);
const QColor kAmber(0xf2, 0xc1, 0x4e);
const QColor kBlue(0x8d, 0xb4, 0xe2);
const QColor kGreen(0x8c, 0xcf, 0x7e);
const QColor kRed(0xe0, 0x5a, 0x4f);
const QColor kPaper(0xfa, 0xfa, 0xf7);
const QColor kGrey(0xc9, 0xce, 0xd6);

QPen inkPen(qreal width = 1.6) {
    return QPen(kInk, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// A sheet of paper with a folded corner, the base of the two viewer icons.
void sheet(QPainter& p) {
    QPainterPath page;
    page.moveTo(5, 2.5);
    page.lineTo(15, 2.5);
    page.lineTo(19.5, 7);
    page.lineTo(19.5, 21.5);
    page.lineTo(5, 21.5);
    page.closeSubpath();
    p.setPen(inkPen());
    p.setBrush(kPaper);
    p.drawPath(page);
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF({{15, 2.5}, {15, 7}, {19.5, 7}}));
}

void circleBadge(QPainter& p, const QColor& fill) {
    p.setPen(inkPen());
    p.setBrush(fill);
    p.drawEllipse(QPointF(12, 12), 9.5, 9.5);
}

void draw(QPainter& p, ToolIcon which) {
    switch (which) {
        case ToolIcon::Open: {
            p.setPen(inkPen());
            p.setBrush(kAmber.darker(115));
            p.drawPolygon(
                QPolygonF({{2.5, 5}, {9, 5}, {11, 7.5}, {19.5, 7.5}, {19.5, 19.5}, {2.5, 19.5}}));
            p.setBrush(kAmber);
            p.drawPolygon(QPolygonF({{2.5, 19.5}, {6, 11}, {22, 11}, {19.5, 19.5}}));
            break;
        }
        case ToolIcon::Save: {
            p.setPen(inkPen());
            p.setBrush(kBlue);
            p.drawPolygon(QPolygonF({{3, 3}, {18, 3}, {21, 6}, {21, 21}, {3, 21}}));
            p.setBrush(kPaper);
            p.drawRect(QRectF(7, 3, 9, 6));
            p.drawRect(QRectF(6, 13, 12, 8));
            p.drawLine(QPointF(8.5, 16), QPointF(15.5, 16));
            break;
        }
        case ToolIcon::Search: {
            p.setPen(inkPen());
            p.setBrush(kBlue.lighter(120));
            p.drawEllipse(QPointF(10, 10), 6.5, 6.5);
            p.setPen(inkPen(3.2));
            p.drawLine(QPointF(15, 15), QPointF(21, 21));
            break;
        }
        case ToolIcon::Setup: {
            // A gear: eight teeth around a ring.
            QPainterPath gear;
            const int teeth = 8;
            for (int i = 0; i < teeth * 2; ++i) {
                const double a0 = (i - 0.35) * std::numbers::pi / teeth;
                const double a1 = (i + 0.35) * std::numbers::pi / teeth;
                const double r = i % 2 == 0 ? 10.0 : 7.5;
                const QPointF q0(12 + r * std::cos(a0), 12 + r * std::sin(a0));
                const QPointF q1(12 + r * std::cos(a1), 12 + r * std::sin(a1));
                if (i == 0) {
                    gear.moveTo(q0);
                } else {
                    gear.lineTo(q0);
                }
                gear.lineTo(q1);
            }
            gear.closeSubpath();
            gear.addEllipse(QPointF(12, 12), 3, 3);
            gear.setFillRule(Qt::OddEvenFill);
            p.setPen(inkPen(1.3));
            p.setBrush(kGrey);
            p.drawPath(gear);
            break;
        }
        case ToolIcon::CheckLink: {
            // A parallel-port plug (wide side up) with its pins, and a tick.
            p.setPen(inkPen());
            p.setBrush(kGrey);
            p.drawPolygon(QPolygonF({{2, 4}, {19, 4}, {17, 12}, {4, 12}}));
            p.setPen(inkPen(1.2));
            for (double x = 5.5; x <= 15.6; x += 2.5) {
                p.drawPoint(QPointF(x, 7));
            }
            for (double x = 6.75; x <= 14.4; x += 2.5) {
                p.drawPoint(QPointF(x, 9.5));
            }
            p.setPen(inkPen());
            p.drawLine(QPointF(10.5, 12), QPointF(10.5, 16));
            p.setBrush(kGreen);
            p.drawEllipse(QPointF(16.5, 17), 5.5, 5.5);
            p.setPen(inkPen(1.8));
            p.drawPolyline(QPolygonF({{13.8, 17.2}, {15.8, 19.2}, {19.2, 14.8}}));
            break;
        }
        case ToolIcon::MemoryMap: {
            p.setPen(inkPen(1.2));
            for (int row = 0; row < 3; ++row) {
                for (int col = 0; col < 3; ++col) {
                    const bool used = row * 3 + col < 5;
                    p.setBrush(used ? kGreen : kPaper);
                    p.drawRect(QRectF(3 + col * 6.3, 3 + row * 6.3, 5, 5));
                }
            }
            break;
        }
        case ToolIcon::HexView: {
            sheet(p);
            p.setPen(Qt::NoPen);
            p.setBrush(kBlue.darker(130));
            for (int row = 0; row < 4; ++row) {
                for (int col = 0; col < 3; ++col) {
                    p.drawRect(QRectF(7.5 + col * 3.8, 9 + row * 3, 2.6, 1.8));
                }
            }
            break;
        }
        case ToolIcon::Listing: {
            sheet(p);
            p.setPen(inkPen(1.4));
            const double indent[] = {0, 3, 3, 0, 3};
            const double length[] = {4, 5, 3.5, 5, 4.5};
            for (int i = 0; i < 5; ++i) {
                const double y = 9 + i * 2.6;
                p.drawLine(QPointF(7.5 + indent[i], y), QPointF(7.5 + indent[i] + length[i], y));
            }
            break;
        }
        case ToolIcon::IdEditor: {
            // A label tag with its eyelet and a string.
            QPainterPath tag;
            tag.moveTo(10, 3);
            tag.lineTo(21, 3);
            tag.lineTo(21, 14);
            tag.lineTo(11, 22);
            tag.lineTo(2, 13);
            tag.closeSubpath();
            p.setPen(inkPen());
            p.setBrush(kAmber);
            p.drawPath(tag);
            p.setBrush(kPaper);
            p.drawEllipse(QPointF(16.5, 7.5), 1.8, 1.8);
            p.setPen(inkPen(1.2));
            p.drawLine(QPointF(7.5, 13), QPointF(12.5, 18));
            p.drawLine(QPointF(9.5, 10.5), QPointF(14.5, 15.5));
            break;
        }
        case ToolIcon::Info: {
            circleBadge(p, kBlue);
            p.setPen(Qt::NoPen);
            p.setBrush(kInk);
            p.drawEllipse(QPointF(12, 7.2), 1.6, 1.6);
            p.drawRoundedRect(QRectF(10.6, 10, 2.8, 8.5), 0.8, 0.8);
            break;
        }
        case ToolIcon::Help: {
            circleBadge(p, kGreen);
            QPainterPath mark;
            mark.moveTo(8.8, 9.2);
            mark.cubicTo(8.8, 5.2, 15.4, 5.2, 15.4, 9.2);
            mark.cubicTo(15.4, 11.8, 12, 11.6, 12, 14.6);
            p.setPen(inkPen(2.4));
            p.setBrush(Qt::NoBrush);
            p.drawPath(mark);
            p.setPen(Qt::NoPen);
            p.setBrush(kInk);
            p.drawEllipse(QPointF(12, 17.8), 1.5, 1.5);
            break;
        }
        case ToolIcon::End: {
            p.setPen(QPen(kRed.darker(120), 2.6, Qt::SolidLine, Qt::RoundCap));
            p.setBrush(Qt::NoBrush);
            p.drawArc(QRectF(4, 4.5, 16, 16), 60 * 16, -300 * 16);
            p.drawLine(QPointF(12, 2.5), QPointF(12, 11.5));
            break;
        }
    }
}

QPixmap render(ToolIcon which, int size, qreal ratio) {
    QPixmap pixmap(QSize(size, size) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 24.0, size / 24.0);
    draw(p, which);
    return pixmap;
}

}  // namespace

QIcon toolIcon(ToolIcon which) {
    QIcon icon;
    for (const int size : {16, 22, 24, 32}) {
        icon.addPixmap(render(which, size, 1.0));
        icon.addPixmap(render(which, size, 2.0));
    }
    // The disabled look is Qt's usual greying of these pixmaps.
    return icon;
}

}  // namespace pk
