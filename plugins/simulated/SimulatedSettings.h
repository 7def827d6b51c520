#pragma once

#include <QRect>
#include <QString>

// What the simulated engine and host read from pcQUIBA.ini, the file they share with pcQUIBA.
// Read afresh at each engine start.
struct SimulatedSettings {
    QString iniFile;
    QString programRoot;       // FILES quiba_path: the outbox lies below it
    QString cataloguePath;     // FILES otc_xml
    QString dataPath;          // FILES data_path: state and voucher files lie below it
    QString hardwareId;        // GENERAL hardware_id
    bool compressVouchers = false; // HOST compression other than NONE
    QString compressedExtension;   // FILES compressed_ext, without the dot
    QString assignAnswer;          // HOST assign: "ok" lets Assign3 succeed
    int hostTimeoutSeconds = 10;   // HOST host_timeout
    int checkoutTimeoutSeconds = 300; // CHECKOUT checkout_timeout
    QRect window;                  // GUI window_left/top/width/height (empty size: the screen)
    bool topMost = false;          // GUI window_topmost
    // SIMULATOR section: the simulation's own knobs.
    int hostDelayMilliseconds = 800; // how long the simulated host takes to answer
    bool uploadTimesOut = false;     // every upload ends with Timeout
    int maxItems = 1;                // API max_basket_items
    qint64 maxValue = 1000 * 10000LL; // API max_basket_value, in ten-thousandths
    QString script;                  // the scripted customer's steps
    int scriptStepMilliseconds = 800;

    static SimulatedSettings read();

    // Where the engine keeps its own files: <data_path>/simulator.
    QString stateFolder() const;
    // Where it writes voucher documents: <data_path>/vouchers.
    QString voucherFolder() const;
    // Where the host connection puts uploaded files: <program root>/outbox.
    QString outboxFolder() const;
};
