def write_report(col, rows, used, sources, path):
    pass
