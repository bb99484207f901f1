// Gives each note box a label naming its kind.
document.addEventListener('DOMContentLoaded', function () {
    var notes = document.querySelectorAll('div.note h2');
    for (var i = 0; i < notes.length; i++) notes[i].title = 'Note ' + (i + 1);
});
