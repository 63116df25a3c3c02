#include "Widgets.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>

namespace widgets {

namespace {

class ClickFilter : public QObject
{
public:
    ClickFilter(QWidget *widget, std::function<void()> handler)
        : QObject(widget), m_handler(std::move(handler))
    {
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::MouseButtonRelease) {
            auto *mouse = static_cast<QMouseEvent *>(event);
            auto *widget = static_cast<QWidget *>(watched);
            if (mouse->button() == Qt::LeftButton && widget->rect().contains(mouse->position().toPoint()))
                m_handler();
        }
        return false;
    }

private:
    std::function<void()> m_handler;
};

} // namespace

QLabel *label(QWidget *parent, const char *name, const QString &caption, const QRect &geometry)
{
    auto *l = new QLabel(caption, parent);
    l->setObjectName(QLatin1String(name));
    l->setGeometry(geometry);
    l->setTextFormat(Qt::PlainText);
    return l;
}

QLineEdit *textBox(QWidget *parent, const char *name, const QRect &geometry, bool locked)
{
    auto *t = new QLineEdit(parent);
    t->setObjectName(QLatin1String(name));
    t->setGeometry(geometry);
    t->setReadOnly(locked);
    return t;
}

QPushButton *button(QWidget *parent, const char *name, const QString &caption, const QRect &geometry)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setGeometry(geometry);
    b->setAutoDefault(false);
    return b;
}

QRadioButton *option(QWidget *parent, const char *name, const QString &caption, const QRect &geometry)
{
    auto *o = new QRadioButton(caption, parent);
    o->setObjectName(QLatin1String(name));
    o->setGeometry(geometry);
    o->setChecked(false);
    return o;
}

void onClick(QWidget *widget, std::function<void()> handler)
{
    widget->installEventFilter(new ClickFilter(widget, std::move(handler)));
}

} // namespace widgets
