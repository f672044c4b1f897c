#include "wizard/program_images.h"

#include "wizard/gui_ids.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace {

const QColor source_colour(0xE0, 0x8A, 0x1E);
const QColor destination_colour(0x2B, 0x6C, 0xB0);
const QColor arrow_colour(0x3A, 0xA5, 0x5D);

// A database drum in the rectangle.
void draw_cylinder(QPainter& painter, const QRectF& box, const QColor& colour)
{
    const qreal lid = box.height() * 0.22;
    QLinearGradient side(box.topLeft(), box.topRight());
    side.setColorAt(0.0, colour.darker(125));
    side.setColorAt(0.45, colour.lighter(125));
    side.setColorAt(1.0, colour.darker(140));
    QPainterPath body;
    body.moveTo(box.left(), box.top() + lid / 2);
    body.lineTo(box.left(), box.bottom() - lid / 2);
    body.arcTo(QRectF(box.left(), box.bottom() - lid, box.width(), lid), 180, 180);
    body.lineTo(box.right(), box.top() + lid / 2);
    body.closeSubpath();
    painter.setPen(QPen(colour.darker(170), std::max<qreal>(1.0, box.width() / 40)));
    painter.setBrush(side);
    painter.drawPath(body);
    // Two bands, as on a stack of disks.
    for (qreal at : {0.38, 0.62}) {
        const qreal y = box.top() + (box.height() - lid) * at;
        painter.setBrush(Qt::NoBrush);
        painter.drawArc(QRectF(box.left(), y, box.width(), lid), 180 * 16, 180 * 16);
    }
    painter.setBrush(colour.lighter(150));
    painter.drawEllipse(QRectF(box.left(), box.top(), box.width(), lid));
}

void draw_arrow(QPainter& painter, QPointF from, QPointF to, qreal width, const QColor& colour)
{
    const QPointF direction = (to - from) / std::hypot(to.x() - from.x(), to.y() - from.y());
    const QPointF normal(-direction.y(), direction.x());
    const QPointF head_base = to - direction * width * 1.6;
    QPainterPath arrow;
    arrow.moveTo(from + normal * width / 2);
    arrow.lineTo(head_base + normal * width / 2);
    arrow.lineTo(head_base + normal * width * 1.2);
    arrow.lineTo(to);
    arrow.lineTo(head_base - normal * width * 1.2);
    arrow.lineTo(head_base - normal * width / 2);
    arrow.lineTo(from - normal * width / 2);
    arrow.closeSubpath();
    painter.setPen(QPen(colour.darker(150), std::max<qreal>(1.0, width / 6)));
    painter.setBrush(colour);
    painter.drawPath(arrow);
}

// The emblem: the source drum, an arrow and the destination drum, in a square.
void draw_emblem(QPainter& painter, const QRectF& square)
{
    const qreal s = square.width();
    draw_cylinder(painter, QRectF(square.left() + s * 0.04, square.top() + s * 0.08, s * 0.36, s * 0.52),
                  source_colour);
    draw_cylinder(painter, QRectF(square.left() + s * 0.60, square.top() + s * 0.40, s * 0.36, s * 0.52),
                  destination_colour);
    draw_arrow(painter, QPointF(square.left() + s * 0.30, square.top() + s * 0.74),
               QPointF(square.left() + s * 0.58, square.top() + s * 0.58), s * 0.09, arrow_colour);
}

QPixmap blank(QSize size, qreal ratio)
{
    QPixmap pixmap(size * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

QPixmap icon_image(int side, qreal ratio)
{
    QPixmap pixmap = blank(QSize(side, side), ratio);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    draw_emblem(painter, QRectF(0, 0, side, side));
    return pixmap;
}

QPixmap watermark_image(qreal ratio)
{
    // As tall as the sheet's body usually is; the sheet stretches it to fit.
    const QSize size(164, 416);
    QPixmap pixmap = blank(size, ratio);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, size.height());
    sky.setColorAt(0.0, QColor(0x1D, 0x3F, 0x6E));
    sky.setColorAt(1.0, QColor(0x2F, 0x7F, 0x9E));
    painter.fillRect(QRect(QPoint(0, 0), size), sky);
    // Faint rows of data flowing down the strip.
    painter.setPen(Qt::NoPen);
    for (int row = 0; row < 18; ++row) {
        for (int column = 0; column < 6; ++column) {
            const int alpha = 18 + ((row * 7 + column * 5) % 5) * 6;
            painter.setBrush(QColor(255, 255, 255, alpha));
            painter.drawRoundedRect(QRectF(12 + column * 24, 10 + row * 16, 18, 8), 2, 2);
        }
    }
    painter.setOpacity(0.95);
    draw_emblem(painter, QRectF(22, 196, 120, 120));
    return pixmap;
}

QPixmap header_image(qreal ratio)
{
    return icon_image(49, ratio);
}

// Eight dots on a ring, the lit one moving on by one each frame.
QPixmap animation_frame(int frame, qreal ratio)
{
    const int side = 48;
    QPixmap pixmap = blank(QSize(side, side), ratio);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    for (int dot = 0; dot < 8; ++dot) {
        const qreal angle = (dot * 45.0 - 90.0) * M_PI / 180.0;
        const int age = (frame - dot + 8) % 8;
        QColor colour = destination_colour;
        colour.setAlpha(255 - age * 28);
        painter.setBrush(colour);
        const qreal radius = age == 0 ? 5.5 : 4.5;
        painter.drawEllipse(QPointF(side / 2.0 + std::cos(angle) * 17, side / 2.0 + std::sin(angle) * 17), radius,
                            radius);
    }
    return pixmap;
}

}  // namespace

QPixmap program_image(int id, qreal device_pixel_ratio)
{
    switch (id) {
    case gui::image_program_icon: return icon_image(64, device_pixel_ratio);
    case gui::image_watermark: return watermark_image(device_pixel_ratio);
    case gui::image_header: return header_image(device_pixel_ratio);
    default: break;
    }
    const int frame = id - gui::image_first_animation_frame;
    if (frame >= 0 && frame < 8)
        return animation_frame(frame, device_pixel_ratio);
    return QPixmap();
}

QIcon program_icon()
{
    QIcon icon;
    for (int side : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(icon_image(side, 1.0));
    return icon;
}
