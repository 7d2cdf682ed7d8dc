#include "TSetupMain.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QEvent>
#include <QGraphicsLayout>
#include <QGraphicsObject>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "CurveMath.h"
#include "LocaleNumber.h"
#include "Payloads.h"
#include "WindowLook.h"

namespace TSetupMain {

namespace {

using pace::SkyBlue;
constexpr QColor CurveColour(255, 0, 128);

constexpr int CurveCellWidth = 33;
constexpr std::uint8_t FrameSize = pace::DataFrameSize;

// Sets a control's place and size in pixels of the design.
void Place(QWidget* control, int left, int top, int width, int height) {
    control->setGeometry(left, top, width, height);
}

// Labels grow to fit their text, from their left edge.
void PlaceLabel(QLabel* label, int left, int top, int width, int height) {
    const QSize fits = label->sizeHint();
    label->setGeometry(left, top, std::max(width, fits.width()), std::max(height, fits.height()));
}

// The chart clips the series' own markers to the plot area, which cuts the markers of points on
// its edges (0 % and 100 %). This item draws those markers again, whole, above the plot.
class EdgeMarkers : public QGraphicsObject {
public:
    EdgeMarkers(QChart* chart, QLineSeries* series)
        : QGraphicsObject(chart), Chart_(chart), Series_(series) {
        setZValue(1000);
        const auto refresh = [this] { update(); };
        connect(series, &QXYSeries::pointAdded, this, refresh);
        connect(series, &QXYSeries::pointsReplaced, this, refresh);
        connect(series, &QXYSeries::pointsRemoved, this, refresh);
        connect(series, &QXYSeries::pointRemoved, this, refresh);
        connect(series, &QXYSeries::pointReplaced, this, refresh);
        connect(chart, &QChart::plotAreaChanged, this, refresh);
    }

    [[nodiscard]] QRectF boundingRect() const override { return Chart_->boundingRect(); }

    void paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) override {
        if (!Series_->pointsVisible()) return;
        const qreal radius = Series_->markerSize();
        const QRectF inner = Chart_->plotArea().adjusted(radius, radius, -radius, -radius);
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(Qt::NoPen);
        painter->setBrush(Series_->color());
        for (const QPointF& point : Series_->points()) {
            const QPointF at = Chart_->mapToPosition(point, Series_);
            // Markers wholly inside the plot are the series' own; points far outside the axes
            // stay unmarked.
            if (inner.contains(at) || !Chart_->plotArea().contains(at)) continue;
            painter->drawEllipse(at, radius, radius);
        }
    }

private:
    QChart* Chart_;
    QLineSeries* Series_;
};

}  // namespace

TForm1::TForm1(pace::SerialPort& port, pace::PortList& portList, pace::TickTimer& timer,
               pace::SteadyClock clock, pace::Dialogs& dialogs, QWidget* parent)
    : QWidget(parent),
      VaComm1(port),
      Timer1(timer),
      Dialogs_(dialogs),
      Discovery_(
          port, portList, timer, std::move(clock),
          pace::DiscoverySettings{pace::SetupLinkUpLastByte, pace::ScanTimerStart::KeepPeriod,
                                  pace::ReceiveRule::DecodeWholeEvent},
          pace::DiscoveryHooks{
              [this] { FormCreate(); },
              [this](const std::string& name) { CName->setText(QString::fromStdString(name)); },
              [this] { LinkUp(); },
              [this] { Lost(); },
          }) {
    // A plain top-level window of fixed size with a close box only: it keeps its entry in
    // the task bar, which a tool window would lose.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setWindowTitle(QString::fromLatin1(WindowCaption));
    setFixedSize(454, 410);
    pace::SetDesignLook(this);

    BuildControls();
    SetTabOrder();
    CarId->setFocus();

    VaComm1.OnRxChar = [this] { ComPortRxChar(); };
    Timer1.OnTick = [this] { Timer1Find(); };
    FormCreate();
}

TForm1::~TForm1() {
    VaComm1.OnRxChar = nullptr;
    Timer1.OnTick = nullptr;
}

void TForm1::BuildControls() {
    CName = new QLineEdit(this);
    Place(CName, 8, 8, 65, 21);
    CName->setReadOnly(true);
    CName->setFocusPolicy(Qt::ClickFocus);

    Label3 = new QLabel(QStringLiteral("ID"), this);
    PlaceLabel(Label3, 336, 12, 11, 13);

    CarId = new QComboBox(this);
    CarId->setEditable(true);
    for (int id = 1; id <= 24; ++id) CarId->addItem(QString::number(id));
    CarId->setCurrentIndex(0);
    // Typed text never becomes an entry, and nothing completes it while typing.
    CarId->setInsertPolicy(QComboBox::NoInsert);
    CarId->setCompleter(nullptr);
    Place(CarId, 360, 8, 57, 21);

    Label9 = new QLabel(QStringLiteral("Driver:"), this);
    PlaceLabel(Label9, 176, 38, 31, 13);

    OwnerName = new QLineEdit(QStringLiteral("Valdrena"), this);
    OwnerName->setMaxLength(std::numeric_limits<int>::max());
    Place(OwnerName, 216, 33, 65, 21);

    Label1 = new QLabel(QStringLiteral("PIN"), this);
    PlaceLabel(Label1, 329, 38, 18, 13);

    PIN = new TNumEdit(this);
    PIN->SetValue(7149);
    PIN->SetDecimals(0);
    Place(PIN, 360, 35, 56, 21);

    SendDriver = new QPushButton(QStringLiteral("Send Driver"), this);
    Place(SendDriver, 176, 74, 105, 17);
    SendDriver->setEnabled(false);
    connect(SendDriver, &QPushButton::clicked, this, &TForm1::SendDriverClick);

    SetId = new QPushButton(QStringLiteral("Send ID && PIN"), this);
    Place(SetId, 312, 74, 105, 17);
    SetId->setEnabled(false);
    connect(SetId, &QPushButton::clicked, this, &TForm1::SetIdClick);

    Label2 = new QLabel(QStringLiteral("Throttle Curve %"), this);
    PlaceLabel(Label2, 8, 101, 78, 13);

    CurveSelect = new QComboBox(this);
    for (int n = 0; n <= 9; ++n) CurveSelect->addItem(QString::number(n));
    CurveSelect->setMaxVisibleItems(10);
    CurveSelect->setCurrentIndex(0);
    Place(CurveSelect, 8, 120, 36, 21);

    Curve = new CurveGrid(pace::CurveColumns, CurveCellWidth, this);
    Place(Curve, 56, 120, 377, 24);
    Curve->FitRowHeight();
    Curve->setFocusPolicy(Qt::ClickFocus);
    QPalette gridPalette = Curve->palette();
    gridPalette.setColor(QPalette::Base, SkyBlue);
    gridPalette.setColor(QPalette::Window, SkyBlue);
    Curve->setPalette(gridPalette);
    connect(Curve, &CurveGrid::CellClicked, this, &TForm1::CurveExit);
    connect(Curve, &CurveGrid::Exited, this, &TForm1::CurveExit);

    BuildChart();

    Label7 = new QLabel(QStringLiteral("Min:"), this);
    PlaceLabel(Label7, 16, 385, 20, 13);
    Min = new TNumEdit(this);
    Min->SetDecimals(1);
    Place(Min, 42, 382, 33, 21);

    Label5 = new QLabel(QStringLiteral("Max:"), this);
    PlaceLabel(Label5, 81, 385, 23, 13);
    Max = new TNumEdit(this);
    Max->SetValue(100);
    Max->SetDecimals(1);
    Place(Max, 110, 382, 33, 21);

    Label6 = new QLabel(QStringLiteral("Shape:"), this);
    PlaceLabel(Label6, 149, 385, 34, 13);
    Shape = new TNumEdit(this);
    Shape->SetValue(1);
    Shape->SetDecimals(1);
    Place(Shape, 189, 382, 33, 21);

    for (TNumEdit* box : {Min, Max, Shape}) box->installEventFilter(this);

    SetCurve = new QPushButton(QStringLiteral("Set Curve"), this);
    Place(SetCurve, 240, 385, 57, 17);
    connect(SetCurve, &QPushButton::clicked, this, &TForm1::SetCurveClick);

    SendCurve = new QPushButton(QStringLiteral("Send Throttle Curve"), this);
    Place(SendCurve, 320, 385, 105, 17);
    SendCurve->setEnabled(false);
    connect(SendCurve, &QPushButton::clicked, this, &TForm1::SendCurveClick);

    for (QPushButton* button : {SendDriver, SetId, SetCurve, SendCurve}) {
        button->setFocusPolicy(Qt::StrongFocus);
        button->setAutoDefault(false);
    }
}

void TForm1::BuildChart() {
    auto* chart = new QChart();
    chart->legend()->hide();
    chart->setTitle(QString());
    chart->setBackgroundBrush(Qt::white);
    chart->setBackgroundPen(Qt::NoPen);
    chart->setBackgroundRoundness(0);
    chart->setDropShadowEnabled(false);
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->layout()->setContentsMargins(0, 0, 0, 0);
    // Margins of 0 % left and bottom, 5 % top and 3 % right of the chart's size.
    constexpr int width = 417;
    constexpr int height = 217;
    chart->setMargins(QMargins(0, qRound(height * 0.05), qRound(width * 0.03), 0));

    CurvePoints = new QLineSeries();
    CurvePoints->setColor(CurveColour);
    CurvePoints->setPointsVisible(true);
    CurvePoints->setPointLabelsVisible(false);
    chart->addSeries(CurvePoints);
    CurvePoints->setMarkerSize(4);

    const QFont axisFont = font();
    auto makeAxis = [&](const char* title, Qt::Alignment side) {
        auto* axis = new QValueAxis();
        axis->setRange(0, 100);
        axis->setTickCount(6);
        axis->setLabelFormat(QStringLiteral("%d"));
        axis->setTitleText(QString::fromLatin1(title));
        axis->setLabelsFont(axisFont);
        axis->setTitleFont(axisFont);
        chart->addAxis(axis, side);
        CurvePoints->attachAxis(axis);
    };
    makeAxis("Throttle Position", Qt::AlignBottom);
    makeAxis("Motor Drive", Qt::AlignLeft);
    new EdgeMarkers(chart, CurvePoints);

    Chart1 = new QChartView(chart, this);
    Chart1->setFrameShape(QFrame::NoFrame);
    Chart1->setRenderHint(QPainter::Antialiasing);
    Chart1->setRubberBand(QChartView::NoRubberBand);
    Chart1->setInteractive(false);
    Chart1->setFocusPolicy(Qt::NoFocus);
    Chart1->setBackgroundBrush(Qt::white);
    Place(Chart1, 16, 159, width, height);
}

void TForm1::SetTabOrder() {
    const std::vector<QWidget*> order{CarId, SetId, SendCurve, Shape,      Max,        SetCurve,
                                      Min,   PIN,   OwnerName, SendDriver, CurveSelect};
    for (std::size_t i = 0; i + 1 < order.size(); ++i) setTabOrder(order[i], order[i + 1]);
}

template <class Operation>
void TForm1::Guard(Operation&& operation) {
    pace::Guarded(Dialogs_, std::forward<Operation>(operation));
}

void TForm1::FormCreate() {
    Guard([this] {
        Discovery_.Scan();
        // No cell drawn as selected; but a re-scan never takes the cell away from a user who
        // is editing it.
        if (!Curve->HasFocusWithin()) Curve->ClearCurrentCell();
    });
}

bool TForm1::event(QEvent* event) {
    const bool handled = QWidget::event(event);
    // Activation comes again with every return to the window; only the first counts.
    if (event->type() == QEvent::WindowActivate && !Activated_) {
        Activated_ = true;
        FormActivate();
    }
    return handled;
}

void TForm1::FormActivate() {
    Guard([this] { CalcCurve(); });
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
        (watched == Min || watched == Max || watched == Shape)) {
        // The box finishes its own handling of the click first, which may move the cursor.
        watched->event(event);
        ShapeEnter(static_cast<TNumEdit*>(watched));
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TForm1::ShapeEnter(TNumEdit* sender) { sender->selectAll(); }

void TForm1::Timer1Find() {
    // A box opened by this handler runs the event loop: no tick in between.
    if (InTick_) return;
    InTick_ = true;
    Guard([this] { Discovery_.Timer1Find(); });
    InTick_ = false;
}

void TForm1::ComPortRxChar() {
    Guard([this] { Discovery_.ReceiveWaiting(); });
}

void TForm1::LinkUp() {
    SendDriver->setEnabled(true);
    SetId->setEnabled(true);
    SendCurve->setEnabled(true);
}

void TForm1::Lost() {
    // The port is gone: nothing may be sent until a transceiver answers again.
    SendDriver->setEnabled(false);
    SetId->setEnabled(false);
    SendCurve->setEnabled(false);
    FormCreate();
}

void TForm1::SendFrame(std::uint8_t size, const pace::ByteString& payload) {
    // Only ever to the transceiver: after a loss discovery may have opened any other port.
    if (!Discovery_.Linked()) throw std::runtime_error(NoTransceiverText);
    if (!VaComm1.Write(pace::BuildDataFrame(size, payload))) {
        if (!Discovery_.Linked()) throw std::runtime_error(NoTransceiverText);
        throw std::runtime_error(WriteTimeoutText);
    }
}

void TForm1::SetIdClick() {
    Guard([this] {
        const auto pinRangeError = [this] {
            Dialogs_.Message(QString::fromLatin1(PinRangeText),
                             QString::fromLatin1(PinRangeCaption));
        };
        // The first read rounds the box's text to a whole number; the later reads see it so.
        if (!(PIN->Value() >= 0)) return pinRangeError();
        if (PIN->Value() >= 10000) return pinRangeError();
        Dialogs_.Message(QString::fromLatin1(ConfigurePromptText),
                         QString::fromLatin1(ConfigurePromptCaption));
        const double value = std::clamp(std::trunc(PIN->Value()), 0.0, double(pace::HighestPin));
        std::vector<std::string> entries;
        for (int i = 0; i < CarId->count(); ++i)
            entries.push_back(CarId->itemText(i).toStdString());
        const std::uint8_t car = pace::CarByteFor(CarId->currentText().toStdString(), entries);
        IdCommand = pace::TiPayload(static_cast<int>(value), car);
        SendFrame(FrameSize, IdCommand);
    });
}

void TForm1::SendDriverClick() {
    Guard([this] {
        Dialogs_.Message(QString::fromLatin1(ConfigurePromptText),
                         QString::fromLatin1(ConfigurePromptCaption));
        const std::string name = pace::ToAnsiCodePage(OwnerName->text().toStdString());
        SendFrame(FrameSize, pace::ToPayload(name));
    });
}

double TForm1::ReadCell(int column) const {
    const QString text = Curve->CellText(column);
    return pace::CellValue(pace::ParseLocalNumber(text), text.toStdString());
}

void TForm1::CalcCurve() {
    CurvePoints->clear();
    const double min = Min->Value();
    const double max = Max->Value();
    const double shape = Shape->Value();
    pace::ForEachCurvePoint(min, max, shape, [this](int column, std::int64_t point) {
        Curve->SetCellText(column,
                           pace::FormatLocalNumber(static_cast<pace::Extended>(point), 3, 0));
        CurvePoints->append(10.0 * column, ReadCell(column));
    });
}

void TForm1::SetCurveClick() {
    Guard([this] { CalcCurve(); });
}

void TForm1::CurveExit() {
    Guard([this] {
        CurvePoints->clear();
        for (int c = 0; c < pace::CurveColumns; ++c) CurvePoints->append(10.0 * c, ReadCell(c));
    });
}

void TForm1::SendCurveClick() {
    Guard([this] {
        CurveCommand = pace::TcPayloadHead(
            static_cast<std::uint8_t>(std::max(0, CurveSelect->currentIndex())));
        // Every point is checked and converted before the user is asked to prepare the throttle.
        for (int c = 0; c < pace::CurveColumns; ++c) {
            const double v = ReadCell(c);
            if (!pace::PointInRange(v)) {
                Dialogs_.Message(QString::fromLatin1(CurveRangeText),
                                 QString::fromLatin1(CurveRangeCaption));
                return;
            }
            CurveCommand += static_cast<char>(pace::PointByte(v));
        }
        Dialogs_.Message(QString::fromLatin1(ConfigurePromptText),
                         QString::fromLatin1(ConfigurePromptCaption));
        SendFrame(FrameSize, CurveCommand);
    });
}

}  // namespace TSetupMain
