.pragma library
// Which kind and family a connected device belongs to, from the model name and serial number
// it reports. All comparisons are exact.

var cubrixModels = ["Cubrix", "Cubrix Mono DP", "Cubrix Mono SDI"];

// Every monitor model the pages support.
var monitorModels = [
    "KT-1700", "KT-2400", "KT-3100",
    "RV-2700", "RV-3100",
    "RVQ-3100",
    "TL-2410", "TL-3200",
    "SN-1700", "PR-2100",
    "LM-2410"
];

var ktModels = ["KT-1700", "KT-2400", "KT-3100"];
var rvModels = ["RV-2700", "RV-3100"];
var rvqModels = ["RVQ-3100"];

// The RVQ model whose calibration slots are named "User 1" to "User 6".
var rvqModelCode = "RVQ-3100";

function listed(list, model) {
    return list.indexOf(String(model)) !== -1;
}

function serialStartsWith(serial, prefixes) {
    var text = serial === undefined || serial === null ? "" : String(serial);
    for (var i = 0; i < prefixes.length; ++i) {
        if (text.indexOf(prefixes[i]) === 0)
            return true;
    }
    return false;
}

function isCubrix(model) {
    return listed(cubrixModels, model);
}

function isMonitor(model) {
    return listed(monitorModels, model);
}

function isMonitor2(model, serial) {
    return serialStartsWith(serial, ["rv", "RV", "q", "Q"]) || listed(monitorModels, model);
}

function isKTseries(model) {
    return listed(ktModels, model);
}

function isRVseries(model, serial) {
    return serialStartsWith(serial, ["rv", "RV"]) || listed(rvModels, model);
}

function isRVQseries(model, serial) {
    return serialStartsWith(serial, ["q", "Q"]) || listed(rvqModels, model);
}
