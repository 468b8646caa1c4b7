import QtQuick 2.15
import QtQuick.Dialogs 1.3

// The file dialog of a monitor LUT box: LUT files of the box's type (1D or 3D).
FileDialog {
    property int lutType: 0

    title: "Select LUT file"
    selectExisting: true
    nameFilters: lutType === 0 ? ["1D LUT files (*.lut)", "All files (*)"] : ["3D LUT files (*.dat *.cube)", "All files (*)"]
}
