#pragma once

#include <QObject>

class TestWireFormat final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void packing_data();
    void packing();
    void buildFrame_data();
    void buildFrame();
    void buildFrameCap_data();
    void buildFrameCap();
    void login32_data();
    void login32();

    void splitFields_data();
    void splitFields();
    void splitFieldsKeepQuotes_data();
    void splitFieldsKeepQuotes();
    void splittersOnAnyBytes();

    void textBeforeAfter_data();
    void textBeforeAfter();
    void decimalToDottedIp_data();
    void decimalToDottedIp();
    void formatMinSec_data();
    void formatMinSec();
    void formatDuration_data();
    void formatDuration();
    void levelColor_data();
    void levelColor();
    void wildcardMatch_data();
    void wildcardMatch();
    void trimSpaces_data();
    void trimSpaces();
};
