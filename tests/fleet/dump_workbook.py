"""Dumps an .xlsx workbook as openpyxl reads it, one line per fact, for the
fleet tests to check: a reader other than the one that wrote it.

  sheet NAME freeze=A2 filter=A1:C3 rows=3
  width NAME!A 12.0
  cell NAME!A2 s Text        (s text, n number, d date, f formula, b boolean)
"""
import sys

import openpyxl


def main(path):
    workbook = openpyxl.load_workbook(path)
    for sheet in workbook.worksheets:
        print(f"sheet {sheet.title} freeze={sheet.freeze_panes} "
              f"filter={sheet.auto_filter.ref} rows={sheet.max_row}")
        for letter, dimension in sorted(sheet.column_dimensions.items()):
            print(f"width {sheet.title}!{letter} {dimension.width}")
        for row in sheet.iter_rows():
            for cell in row:
                if cell.value is None:
                    continue
                value = cell.value
                if cell.data_type == "d":
                    value = value.strftime("%Y-%m-%d %H:%M:%S")
                print(f"cell {sheet.title}!{cell.coordinate} {cell.data_type} {value}")


if __name__ == "__main__":
    main(sys.argv[1])
