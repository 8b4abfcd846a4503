// The inventory report's script: filtering and sorting of the hosts table.
// The page reads without it. It works on the rows' text only; nothing from
// the records is ever parsed as markup.
//
// Columns are found by name: every heading carries data-col with the
// column's name, and a body cell is found at its heading's position.
(function () {
    var box = document.getElementById('hosts');

    // The hosts table comes in parts, each a table of its own; the rows of
    // all parts are sorted and filtered as one.
    var parts = box.querySelectorAll('.part');
    var bodies = [];
    var rows = [];
    for (var p = 0; p < parts.length; p++) {
        var body = parts[p].querySelector('tbody');
        bodies.push(body);
        for (var i = 0; i < body.rows.length; i++) rows.push(body.rows[i]);
    }
    var size = bodies.length ? bodies[0].rows.length : 1;

    var heads = box.querySelector('thead').rows[0].cells;
    function columnAt(name) {
        for (var c = 0; c < heads.length; c++) {
            if (heads[c].dataset.col === name) return c;
        }
        return -1;
    }

    // Where the table gives applications by their tags, the chart's labels
    // ("TAG name") tell the names, so the filter finds an application by
    // its name too.
    var names = {};
    var labels = document.querySelectorAll('text.app');
    for (var i = 0; i < labels.length; i++) {
        var label = labels[i].textContent;
        var space = label.indexOf(' ');
        if (space > 0) names[label.slice(0, space)] = label.slice(space + 1);
    }
    var applicationsAt = columnAt('applications');

    function searchText(row) {
        var text = row.textContent;
        var tags = row.cells[applicationsAt].textContent.split(' ');
        for (var i = 0; i < tags.length; i++) {
            if (names.hasOwnProperty(tags[i])) text += ' ' + names[tags[i]];
        }
        return text.toLowerCase();
    }

    // A part with no row shown is hidden whole.
    function showParts() {
        for (var p = 0; p < parts.length; p++) {
            var shown = false;
            var partRows = bodies[p].rows;
            for (var i = 0; i < partRows.length && !shown; i++) shown = !partRows[i].hidden;
            parts[p].hidden = !shown;
        }
    }

    var filter = document.getElementById('filter');
    filter.hidden = false;
    filter.addEventListener('input', function () {
        var query = filter.value.toLowerCase();
        for (var i = 0; i < rows.length; i++) {
            var row = rows[i];
            if (row.zText === undefined) row.zText = searchText(row);
            row.hidden = query !== '' && row.zText.indexOf(query) < 0;
        }
        showParts();
    });

    // A click on a heading sorts by its column, a second click the other way.
    // Headings of class "num" sort as numbers. Sorting deals the rows out
    // over the parts again in their new order, so that every part keeps its
    // size.
    var order = new Intl.Collator().compare;
    function sortBy(th) {
        var col = columnAt(th.dataset.col);
        var up = th.dataset.sort !== 'up';
        for (var k = 0; k < heads.length; k++) heads[k].dataset.sort = '';
        th.dataset.sort = up ? 'up' : 'down';
        var num = th.classList.contains('num');
        for (var k = 0; k < rows.length; k++) {
            var text = rows[k].cells[col].textContent;
            rows[k].zKey = num ? Number(text) || 0 : text;
        }
        rows.sort(function (a, b) {
            var d = num ? a.zKey - b.zKey : order(a.zKey, b.zKey);
            return up ? d : -d;
        });
        for (var k = 0; k < rows.length; k++) {
            bodies[Math.min(Math.floor(k / size), bodies.length - 1)].appendChild(rows[k]);
        }
        showParts();
    }
    for (var c = 0; c < heads.length; c++) {
        heads[c].dataset.sort = '';
        heads[c].addEventListener('click', function (event) {
            sortBy(event.currentTarget);
        });
    }
})();
