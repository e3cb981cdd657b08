#include "DialogLayout.h"

#include "Scaling.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QWidget>

#include <algorithm>
#include <cmath>

// The layout data is compiled into the resources library; referencing its
// initialiser keeps the linker from dropping it.
static void InitLayoutResources()
{
    Q_INIT_RESOURCE(layouts);
}

namespace dawnbell {

namespace {

const char kResourcePath[] = ":/layouts/layouts.json";

// Parses a decimal id 1..2^31-1 without sign or blanks.
bool ParseId(const QString& text, int* out)
{
    if (text.isEmpty() || text.size() > 10)
        return false;
    for (const QChar ch : text) {
        if (ch < QLatin1Char('0') || ch > QLatin1Char('9'))
            return false;
    }
    bool ok = false;
    const qlonglong v = text.toLongLong(&ok);
    if (!ok || v < 1 || v > 0x7FFFFFFF)
        return false;
    *out = int(v);
    return true;
}

bool ParseInt(const QJsonValue& v, int min, int max, int* out)
{
    if (!v.isDouble())
        return false;
    const double d = v.toDouble();
    if (!(d >= min && d <= max) || d != std::floor(d))
        return false;
    *out = int(d);
    return true;
}

// [x, y, width, height] with non-negative width and height.
bool ParseRect(const QJsonValue& v, QRect* out)
{
    if (!v.isArray())
        return false;
    const QJsonArray a = v.toArray();
    if (a.size() != 4)
        return false;
    int x, y, w, h;
    const int m = DialogLayout::kMaxCoordinate;
    if (!ParseInt(a[0], -m, m, &x) || !ParseInt(a[1], -m, m, &y) || !ParseInt(a[2], 0, m, &w)
        || !ParseInt(a[3], 0, m, &h))
        return false;
    *out = QRect(x, y, w, h);
    return true;
}

bool Fail(QString* error, const QString& reason)
{
    if (error)
        *error = reason;
    return false;
}

} // namespace

bool DialogLayout::Parse(const QByteArray& json, QMap<int, DialogLayout>* out, QString* error)
{
    if (json.size() > kMaxDataBytes)
        return Fail(error, QStringLiteral("layout data too large"));
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (doc.isNull() || !doc.isObject())
        return Fail(error, QStringLiteral("not a JSON object: %1").arg(parseError.errorString()));
    const QJsonValue layoutsValue = doc.object().value(QLatin1String("layouts"));
    if (!layoutsValue.isObject())
        return Fail(error, QStringLiteral("no \"layouts\" object"));
    const QJsonObject layouts = layoutsValue.toObject();
    QMap<int, DialogLayout> result;
    for (auto it = layouts.begin(); it != layouts.end(); ++it) {
        DialogLayout layout;
        if (!ParseId(it.key(), &layout.m_id))
            return Fail(error, QStringLiteral("bad layout id \"%1\"").arg(it.key()));
        if (!it.value().isObject())
            return Fail(error, QStringLiteral("layout %1 is not an object").arg(it.key()));
        const QJsonObject body = it.value().toObject();
        if (body.contains(QLatin1String("size"))) {
            const QJsonValue size = body.value(QLatin1String("size"));
            int w, h;
            if (!size.isArray() || size.toArray().size() != 2 || !ParseInt(size.toArray()[0], 1, kMaxCoordinate, &w)
                || !ParseInt(size.toArray()[1], 1, kMaxCoordinate, &h))
                return Fail(error, QStringLiteral("layout %1: bad size").arg(it.key()));
            layout.m_size = QSize(w, h);
        }
        const QJsonValue controls = body.value(QLatin1String("controls"));
        if (!controls.isUndefined()) {
            if (!controls.isObject())
                return Fail(error, QStringLiteral("layout %1: \"controls\" is not an object").arg(it.key()));
            const QJsonObject c = controls.toObject();
            for (auto ct = c.begin(); ct != c.end(); ++ct) {
                int id;
                QRect r;
                if (!ParseId(ct.key(), &id))
                    return Fail(error, QStringLiteral("layout %1: bad control id \"%2\"").arg(it.key(), ct.key()));
                if (!ParseRect(ct.value(), &r))
                    return Fail(error, QStringLiteral("layout %1: bad rectangle of control %2").arg(it.key(), ct.key()));
                layout.m_controls.insert(id, r);
            }
        }
        const QJsonValue areas = body.value(QLatin1String("areas"));
        if (!areas.isUndefined()) {
            if (!areas.isObject())
                return Fail(error, QStringLiteral("layout %1: \"areas\" is not an object").arg(it.key()));
            const QJsonObject a = areas.toObject();
            for (auto at = a.begin(); at != a.end(); ++at) {
                QRect r;
                if (at.key().isEmpty() || !ParseRect(at.value(), &r))
                    return Fail(error, QStringLiteral("layout %1: bad area \"%2\"").arg(it.key(), at.key()));
                layout.m_areas.insert(at.key(), r);
            }
        }
        result.insert(layout.m_id, layout);
    }
    *out = result;
    return true;
}

DialogLayout DialogLayout::Load(int layoutId)
{
    static const bool initialised = (InitLayoutResources(), true);
    Q_UNUSED(initialised);
    return LoadFrom(QString::fromLatin1(kResourcePath), layoutId);
}

DialogLayout DialogLayout::LoadFrom(const QString& resourcePath, int layoutId)
{
    static QMutex mutex;
    static QMap<QString, QMap<int, DialogLayout>> loaded;
    QMutexLocker lock(&mutex);
    auto it = loaded.find(resourcePath);
    if (it == loaded.end()) {
        QMap<int, DialogLayout> layouts;
        QFile file(resourcePath);
        if (file.open(QIODevice::ReadOnly) && !Parse(file.read(kMaxDataBytes + 1), &layouts))
            layouts.clear();
        it = loaded.insert(resourcePath, layouts);
    }
    return it->value(layoutId);
}

DialogLayout::Variant DialogLayout::VariantFor(const QSize& size)
{
    if (size.width() < size.height())
        return Portrait;
    if (size.width() > size.height())
        return Landscape;
    return Square;
}

int DialogLayout::ChooseId(const QSize& size, int portraitId, int landscapeId, int squareId)
{
    switch (VariantFor(size)) {
    case Portrait:
        return portraitId;
    case Square:
        return squareId > 0 ? squareId : landscapeId;
    case Landscape:
    default:
        return landscapeId;
    }
}

QRect DialogLayout::Scale(const QRect& design, int dpiX, int dpiY)
{
    return QRect(mul_div_round(design.x(), dpiX, 96), mul_div_round(design.y(), dpiY, 96),
                 mul_div_round(design.width(), dpiX, 96), mul_div_round(design.height(), dpiY, 96));
}

QRect DialogLayout::ScaleEdges(const QRect& design, int dpiX, int dpiY)
{
    const int l = mul_div_round(design.x(), dpiX, 96);
    const int t = mul_div_round(design.y(), dpiY, 96);
    const int r = mul_div_round(design.x() + design.width(), dpiX, 96);
    const int b = mul_div_round(design.y() + design.height(), dpiY, 96);
    return QRect(l, t, std::max(0, r - l), std::max(0, b - t));
}

QWidget* DialogLayout::FindControl(const QWidget* dialog, int controlId)
{
    if (!dialog || controlId <= 0)
        return nullptr;
    return dialog->findChild<QWidget*>(QString::number(controlId));
}

void DialogLayout::ApplyReadingTabOrder(QWidget* dialog)
{
    if (!dialog)
        return;
    QList<QWidget*> controls;
    for (QWidget* w : dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if ((w->focusPolicy() & Qt::TabFocus) && !w->isWindow())
            controls << w;
    }
    if (controls.size() < 2)
        return;
    std::stable_sort(controls.begin(), controls.end(),
                     [](const QWidget* a, const QWidget* b) { return a->y() < b->y(); });
    QList<QWidget*> ordered;
    for (qsizetype start = 0; start < controls.size();) {
        const QWidget* first = controls.at(start);
        const int rowLimit = first->y() + std::max(1, first->height() / 2);
        qsizetype end = start + 1;
        while (end < controls.size() && controls.at(end)->y() < rowLimit)
            ++end;
        QList<QWidget*> row = controls.mid(start, end - start);
        std::stable_sort(row.begin(), row.end(), [](const QWidget* a, const QWidget* b) { return a->x() < b->x(); });
        ordered << row;
        start = end;
    }
    for (qsizetype i = 0; i + 1 < ordered.size(); ++i)
        QWidget::setTabOrder(ordered.at(i), ordered.at(i + 1));
    if (!dialog->focusWidget())
        ordered.first()->setFocus(Qt::OtherFocusReason);
}

QSize DialogLayout::ScaledSize(int dpiX, int dpiY) const
{
    if (!m_size.isValid())
        return QSize();
    return QSize(mul_div_round(m_size.width(), dpiX, 96), mul_div_round(m_size.height(), dpiY, 96));
}

bool DialogLayout::ControlRect(int controlId, QRect* out) const
{
    const auto it = m_controls.constFind(controlId);
    if (it == m_controls.constEnd())
        return false;
    *out = it.value();
    return true;
}

bool DialogLayout::AreaRect(const QString& name, QRect* out) const
{
    const auto it = m_areas.constFind(name);
    if (it == m_areas.constEnd())
        return false;
    *out = it.value();
    return true;
}

bool DialogLayout::Place(QWidget* dialog, int controlId, int dpiX, int dpiY) const
{
    QRect design;
    if (!ControlRect(controlId, &design))
        return false;
    QWidget* control = FindControl(dialog, controlId);
    if (!control)
        return false;
    control->setGeometry(Scale(design, dpiX, dpiY));
    return true;
}

bool DialogLayout::Apply(QWidget* dialog, int dpiX, int dpiY) const
{
    if (!dialog || !IsValid())
        return false;
    bool all = true;
    for (auto it = m_controls.constBegin(); it != m_controls.constEnd(); ++it) {
        if (!Place(dialog, it.key(), dpiX, dpiY))
            all = false;
    }
    return all;
}

bool DialogLayout::Apply(QWidget* dialog) const
{
    return Apply(dialog, dpi_x(), dpi_y());
}

} // namespace dawnbell
